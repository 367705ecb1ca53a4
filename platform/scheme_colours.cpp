// The pane's colours from a colour scheme (see scheme_colours.h).
#include "platform/scheme_colours.h"

#include <algorithm>
#include <cmath>

namespace vt {

static double Luminance(std::uint32_t ref) {
  auto linear = [](std::uint32_t channel) {
    double v = (channel & 0xFF) / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(ref) + 0.7152 * linear(ref >> 8) + 0.0722 * linear(ref >> 16);
}

double ContrastRatio(std::uint32_t a, std::uint32_t b) {
  double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Links: the first of these that is not the text's colour and reads at 7:1 on the background,
// else the text's own colour (links are underlined as well). Cyan, a dark blue, white, black.
static std::uint32_t LinkColour(std::uint32_t text, std::uint32_t background) {
  for (std::uint32_t candidate : {0xFFFF00u, 0xEE0000u, 0xFFFFFFu, 0x000000u})
    if (candidate != text && ContrastRatio(candidate, background) >= kLeastContrast) return candidate;
  return text;
}

PaneColours SchemeColours(std::uint32_t text, std::uint32_t background) {
  text &= 0xFFFFFF;
  background &= 0xFFFFFF;
  return PaneColours{text, background, background, text, LinkColour(text, background)};
}

}  // namespace vt
