// Display rules. Every size the program asks for is in points scaled by FontScale, so that the
// type is as many pixels high at 120 or 144 DPI as at 96. Owns FontScale.
#include "core/display_rules.h"

#include <algorithm>
#include <cmath>

#include "core/program_state.h"
#include "core/settings_file.h"

namespace vt {

void ComputeFontScale() {
  double dpi = ScreenDpiX();
  FontScale = dpi > 0 ? 96.0L / static_cast<long double>(dpi) : 1.0L;
}

long double ScaledFontSize(long double points) {
  // The small allowance keeps exact tenths (51.2 at 120 DPI) from falling to the tenth below.
  return std::floor(points * FontScale * 10.0L + 1e-9L) / 10.0L;
}

PaneFontRequest MakePaneFontRequest(double dpiY) {
  long double size = ScaledFontSize(FontSize);
  if (size == 0) size = 8;
  long double height = std::round(size * static_cast<long double>(dpiY) / 72.0L);
  height = std::clamp<long double>(height, -1e9L, 1e9L);
  return PaneFontRequest{FontName.substr(0, 31), static_cast<int>(height), (FontAttr & 1) != 0, (FontAttr & 2) != 0,
                         (FontAttr & 4) != 0, (FontAttr & 8) != 0};
}

}  // namespace vt
