// Where the window starts when its stored place is partly or wholly off the screens.
#include <gtest/gtest.h>

#include "core/window_layout.h"

namespace vt {
namespace {

TEST(WindowPlace, AWindowOffTheScreensStartsOnTheOneShowingMostOfItOrOnThePrimary) {
  const std::vector<Rect> screens = {{0, 0, 1920, 1040}, {1920, 0, 3200, 1024}};
  struct Case {
    int64_t left, top;
    int width, height;
    int wantLeft, wantTop;
  } const cases[] = {
      {15, 25, 1900, 1000, 15, 25},           // mostly shown, the bar on screen: kept
      {1800, 100, 800, 600, 1800, 100},       // across both screens: kept
      {-99999, 99999, 1900, 1000, 0, 40},     // on no screen: on the primary one
      {3000, 500, 800, 600, 2400, 424},       // mostly off the second screen's corner: back on it
      {100, -500, 800, 600, 100, 0},          // the bar above the screen's top
      {2147483647, -2147483647 - 1, 800, 600, 1120, 0},  // the farthest a file can say
  };
  for (const Case& c : cases) {
    Rect r = PlaceOnScreens(c.left, c.top, c.width, c.height, screens);
    EXPECT_EQ(r.left, c.wantLeft) << c.left << ", " << c.top;
    EXPECT_EQ(r.top, c.wantTop) << c.left << ", " << c.top;
    EXPECT_EQ(r.right - r.left, c.width);
  }
}

}  // namespace
}  // namespace vt
