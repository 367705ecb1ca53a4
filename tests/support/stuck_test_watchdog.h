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
    // gtest deletes its listeners at exit, while the watching thread still runs: what both share
    // lives as long as the process.
    auto* watched = new Watched{std::chrono::seconds(limitSeconds), {}, {}, {}};
    testing::UnitTest::GetInstance()->listeners().Append(new StuckTestWatchdog(watched));
    std::thread([watched] { Watch(*watched); }).detach();
  }

  void OnTestStart(const testing::TestInfo& test) override {
    std::lock_guard<std::mutex> lock(watched_->mutex);
    watched_->running = std::string(test.test_suite_name()) + "." + test.name();
    watched_->started = Clock::now();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::lock_guard<std::mutex> lock(watched_->mutex);
    watched_->running.clear();
  }

 private:
  using Clock = std::chrono::steady_clock;
  struct Watched {
    std::chrono::seconds limit;
    std::mutex mutex;
    std::string running;  // the test under way, or empty
    Clock::time_point started;
  };
  explicit StuckTestWatchdog(Watched* watched) : watched_(watched) {}

  static void Watch(Watched& watched) {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      std::lock_guard<std::mutex> lock(watched.mutex);
      if (!watched.running.empty() && Clock::now() - watched.started > watched.limit) ReportAndAbort(watched);
    }
  }

  static void ReportAndAbort(const Watched& watched) {
    std::fprintf(stderr, "\n%s has run for over %lld s and is taken as stuck; the stacks of its threads:\n",
                 watched.running.c_str(), static_cast<long long>(watched.limit.count()));
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

  Watched* watched_;
};

}  // namespace vt_test
