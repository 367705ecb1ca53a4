// The watch over a download's progress that both back ends drive: a download is given up when it
// has run too long in all, or when less than the limits' bytes arrived in the last window of time,
// a window that slides with the transfer (a trickle that keeps "moving" is as bad as a stall).
// The back end samples the bytes received at least ten times a second and asks the watch. Pure
// bookkeeping over the times it is handed; one watch per download, on the thread that drives it.
#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <utility>

#include "platform/download.h"

namespace vt {

// How often a download looks at its progress and its cancel flag: cancelling takes at most this.
constexpr std::chrono::milliseconds kDownloadTick{50};

class SlowDownloadWatch {
 public:
  using Clock = std::chrono::steady_clock;
  SlowDownloadWatch(const DownloadLimits& limits, Clock::time_point start);

  // True when the transfer, having received `received` bytes by `now`, has broken a limit.
  bool GivesUp(std::uint64_t received, Clock::time_point now);

 private:
  DownloadLimits limits_;
  Clock::time_point start_;
  std::deque<std::pair<Clock::time_point, std::uint64_t>> samples_;  // at least a tenth of a second apart
};

}  // namespace vt
