// Display rules: the sizing rule that gives every font of the program the same height in pixels
// at any DPI setting, and the pane font that the settings FontName, FontSize and FontAttr ask for.
#pragma once
#include <cstdint>

#include "platform/pane.h"

namespace vt {

// FontScale from the screen's horizontal logical DPI: 96 / DPI.
void ComputeFontScale();

// The largest multiple of 0.1 not above points x FontScale.
long double ScaledFontSize(long double points);

// The pane font for the current FontName, FontSize and FontAttr at a vertical DPI.
PaneFontRequest MakePaneFontRequest(double dpiY);

}  // namespace vt
