// The limits every font, icon and margin the back ends draw is held to, so that a hand-edited
// setting shows alike on every system: pixel heights from point sizes, and the largest sizes a
// screen can hold. Pure arithmetic (FontPixelHeight asks the screen's DPI); any thread.
#pragma once
#include <cstdint>

namespace vt {

constexpr int kLargestIcon = 1024;          // a bar icon larger than this is drawn at this size
constexpr int kLargestFontPixels = 4096;    // the bar's and the notices' type, at the most
constexpr int kLargestPanePixels = 480;     // the reading pane's type is shown at most this high
constexpr int kDefaultPanePixels = 11;      // a request for height 0 gets the usual small type
constexpr int kLargestPaneMargin = 2000;    // a margin wider than this is shown this wide

// The pixel height of type that requested height `pixelHeight` (its sign ignored, as a font's
// height in a LOGFONT) shows in the pane at; the size itself is kept in the settings.
int PanePixelHeight(std::int64_t pixelHeight);

// The pixel height of the bar's and the notices' type: 1 ... kLargestFontPixels.
int LabelPixelHeight(int pixelHeight);

// A pane margin as shown: 0 ... kLargestPaneMargin.
int PaneMarginShown(int margin);

}  // namespace vt
