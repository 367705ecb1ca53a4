// A test that hangs is only reported by ctest as a timeout, with nothing of where it stood. The
// watchdog ends such a test first: once one test has run longer than its limit, it prints the
// test's name and the stack of every thread of the process (through gdb where it is installed),
// then aborts, so a hang seen once on a build machine can be read afterwards.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace vt_test {

class StuckTestWatchdog : public testing::EmptyTestEventListener {
 public:
  // Watches every test of the run; VT_STUCK_TEST_SECONDS overrides the limit.
  static void Install(int limitSeconds) {
    if (const char* limit = std::getenv("VT_STUCK_TEST_SECONDS")) limitSeconds = std::atoi(limit);
    auto* watchdog = new StuckTestWatchdog(limitSeconds);  // lives as long as the process
    testing::UnitTest::GetInstance()->listeners().Append(watchdog);
    std::thread([watchdog] { watchdog->Watch(); }).detach();
  }

  void OnTestStart(const testing::TestInfo& test) override {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = std::string(test.test_suite_name()) + "." + test.name();
    started_ = Clock::now();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::lock_guard<std::mutex> lock(mutex_);
    running_.clear();
  }

 private:
  using Clock = std::chrono::steady_clock;
  explicit StuckTestWatchdog(int limitSeconds) : limit_(limitSeconds) {}

  void Watch() {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      std::lock_guard<std::mutex> lock(mutex_);
      if (!running_.empty() && Clock::now() - started_ > limit_) ReportAndAbort();
    }
  }

  void ReportAndAbort() {
    std::fprintf(stderr, "\n%s has run for over %lld s and is taken as stuck; the stacks of its threads:\n",
                 running_.c_str(), static_cast<long long>(limit_.count()));
    std::fflush(stderr);
#ifndef _WIN32
    prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY);  // a child may look at its parent where ptrace is limited
    std::string gdb = "gdb -p " + std::to_string(getpid()) + " -batch -nx -ex 'thread apply all bt' 1>&2 2>/dev/null";
    if (std::system("command -v gdb >/dev/null") != 0 || std::system(gdb.c_str()) != 0)
      std::system(("grep -H . /proc/" + std::to_string(getpid()) + "/task/*/comm /proc/" + std::to_string(getpid()) +
                   "/task/*/wchan 1>&2")
                      .c_str());
#endif
    std::abort();
  }

  std::chrono::seconds limit_;
  std::mutex mutex_;
  std::string running_;
  Clock::time_point started_;
};

}  // namespace vt_test
