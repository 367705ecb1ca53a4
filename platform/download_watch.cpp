// The slowness watch of a download (see download_watch.h).
#include "platform/download_watch.h"

namespace vt {

static double Seconds(SlowDownloadWatch::Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Samples closer together than this add nothing to the window's edge but memory.
constexpr double kSampleSpacingSeconds = 0.1;

SlowDownloadWatch::SlowDownloadWatch(const DownloadLimits& limits, Clock::time_point start)
    : limits_(limits), start_(start) {
  samples_.push_back({start_, 0});
}

bool SlowDownloadWatch::GivesUp(std::uint64_t received, Clock::time_point now) {
  if (Seconds(now - start_) > limits_.totalSeconds) return true;
  if (Seconds(now - samples_.back().first) >= kSampleSpacingSeconds) samples_.push_back({now, received});
  // The oldest sample that is at least a window old opens the window that ends now.
  while (samples_.size() >= 2 && Seconds(now - samples_[1].first) >= limits_.slowWindowSeconds) samples_.pop_front();
  const auto& [opened, receivedThen] = samples_.front();
  return Seconds(now - opened) >= limits_.slowWindowSeconds && received - receivedThen < limits_.slowWindowBytes;
}

}  // namespace vt
