// Where the search box and its controls go (see search_dialog.h): the box's own design, 1600 x 250
// pixels, scaled down as a whole, type and icon included, until it fits inside the reader's window
// with a margin, and centred on that window. Pure arithmetic; no state, any thread.
#include "platform/search_dialog.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

constexpr int kDesignWidth = 1600, kDesignHeight = 250;
constexpr int kControlTop = 25, kControlHeight = 200;
constexpr int kBoxLeft = 25, kBoxWidth = 975;
constexpr int kButtonLeft = 1025, kButtonWidth = 200;
constexpr int kEscLeft = 1250, kEscWidth = 325;
constexpr int kIconSize = 128;
constexpr int kWindowMargin = 16;  // kept free between the box and the window's edges
constexpr double kSmallestScale = 0.25;  // below this the controls are too small to use: the box is cut off

int Scaled(int length, double scale) { return static_cast<int>(std::lround(length * scale)); }

Rect Control(int left, int width, double scale) {
  return Rect{Scaled(left, scale), Scaled(kControlTop, scale), Scaled(left + width, scale),
              Scaled(kControlTop + kControlHeight, scale)};
}

}  // namespace

SearchBoxLayout LayOutSearchBox(const Rect& window, int fontPixelHeight) {
  const int roomX = window.right - window.left - 2 * kWindowMargin;
  const int roomY = window.bottom - window.top - 2 * kWindowMargin;
  double scale = std::min({1.0, static_cast<double>(roomX) / kDesignWidth, static_cast<double>(roomY) / kDesignHeight});
  scale = std::max(scale, kSmallestScale);
  SearchBoxLayout layout;
  const int width = Scaled(kDesignWidth, scale), height = Scaled(kDesignHeight, scale);
  const int left = window.left + (window.right - window.left - width) / 2;
  const int top = window.top + (window.bottom - window.top - height) / 2;
  layout.dialog = Rect{left, top, left + width, top + height};
  layout.box = Control(kBoxLeft, kBoxWidth, scale);
  layout.searchButton = Control(kButtonLeft, kButtonWidth, scale);
  layout.escButton = Control(kEscLeft, kEscWidth, scale);
  layout.iconSize = std::max(1, Scaled(kIconSize, scale));
  layout.fontPixelHeight = std::max(1, Scaled(fontPixelHeight, scale));
  return layout;
}

Rect SearchBoxArea(const Rect& within) {
  return within.right > within.left && within.bottom > within.top ? within : WorkArea();
}

}  // namespace vt
