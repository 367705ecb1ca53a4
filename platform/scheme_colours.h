// The colours a colour scheme (the reader's text and background colours) gives everything drawn
// in the pane, on every system alike: the text, a selection (a search hit, a chapter) in inverse
// video, and web addresses in a colour that stands out from the text and still reads at 7:1 on
// the background. Colours are 0x00BBGGRR references. Pure; any thread.
#pragma once
#include <cstdint>

namespace vt {

constexpr double kLeastContrast = 7.0;  // the enhanced contrast of text for readers with low vision

struct PaneColours {
  std::uint32_t text, background;
  std::uint32_t selectionText, selectionBackground;
  std::uint32_t link;
};

// The contrast ratio of two colours by their relative luminance, as for text (1 ... 21).
double ContrastRatio(std::uint32_t a, std::uint32_t b);

PaneColours SchemeColours(std::uint32_t text, std::uint32_t background);

}  // namespace vt
