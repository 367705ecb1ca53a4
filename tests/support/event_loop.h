// Running the event loop in a test until what the test waits for has happened: a condition, or
// the timers due by some moment. Tests wait on the event itself, never on a fixed time, so they
// hold on a loaded machine and under the sanitizers.
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/testing.h"
#include "platform/window.h"

namespace vt_test {

// Runs the event loop until `done` or `seconds` have passed; true when done.
inline bool RunUntil(const std::function<bool()>& done, double seconds = 20) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    vt::ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Runs the event loop for a while, regardless: for a test that shows that nothing happens.
inline void RunFor(double seconds) {
  RunUntil([] { return false; }, seconds);
}

// Runs the event loop until every timer due within `milliseconds` from now has fired: a timer
// started now for that time fires after all of them.
inline void RunTimersDueWithin(int milliseconds) {
  auto passed = std::make_shared<bool>(false);
  vt::RunLater(milliseconds, [passed] { *passed = true; });
  RunUntil([passed] { return *passed; });
}

}  // namespace vt_test
