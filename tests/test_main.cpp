// The one test program: the desktop toolkit is started once (off screen unless a display is asked for).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/window.h"
#include "support/stuck_test_watchdog.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) putenv(const_cast<char*>("QT_QPA_PLATFORM=offscreen"));
  testing::InitGoogleTest(&argc, argv);
  vt_test::StuckTestWatchdog::Install(240);  // ahead of the build machines' 300 s ctest timeout
  int qtArgc = 1;
  vt::PlatformInit(qtArgc, argv);
  return RUN_ALL_TESTS();
}
