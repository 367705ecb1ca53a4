// The font, icon and margin limits (see font_limits.h), and the pixel height of a point size.
#include "platform/font_limits.h"

#include <algorithm>
#include <cmath>

#include "platform/bar.h"
#include "platform/window.h"

namespace vt {

int FontPixelHeight(long double points) {
  long double pixels = std::nearbyint(points * static_cast<long double>(ScreenDpiY()) / 72.0L);
  if (!(pixels >= 1)) return 1;  // also a NaN
  return pixels > kLargestFontPixels ? kLargestFontPixels : static_cast<int>(pixels);
}

int PanePixelHeight(std::int64_t pixelHeight) {
  std::int64_t height = pixelHeight < 0 ? -pixelHeight : pixelHeight;
  if (height == 0) return kDefaultPanePixels;
  return static_cast<int>(std::min<std::int64_t>(height, kLargestPanePixels));
}

int LabelPixelHeight(int pixelHeight) { return std::clamp(pixelHeight, 1, kLargestFontPixels); }

int PaneMarginShown(int margin) { return std::clamp(margin, 0, kLargestPaneMargin); }

}  // namespace vt
