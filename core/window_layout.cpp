// The main window's layout: the bar across the top, the pane below it. Owns BarHeight.
#include "core/window_layout.h"

#include <algorithm>

#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/sound.h"

namespace vt {

void MeasureBarHeight() {
  Rect bar = BarWindowRect(BarWindow);
  BarHeight = bar.bottom - bar.top;
}

void LayoutMainWindow() {
  if (!IsWindow(MainWindow)) return;
  MeasureBarHeight();
  int width = 0, height = 0;
  ClientSize(MainWindow, width, height);
  // A window smaller than the margins gets an empty pane rather than a negative size.
  PaneSetGeometry(PaneWindow, 5, BarHeight, std::max(0, width - 10), std::max(0, height - BarHeight - 5));
}

// The area two rectangles share.
static int64_t SharedArea(int64_t left, int64_t top, int64_t right, int64_t bottom, const Rect& screen) {
  int64_t w = std::min<int64_t>(right, screen.right) - std::max<int64_t>(left, screen.left);
  int64_t h = std::min<int64_t>(bottom, screen.bottom) - std::max<int64_t>(top, screen.top);
  return w > 0 && h > 0 ? w * h : 0;
}

Rect PlaceOnScreens(int64_t left, int64_t top, int width, int height, const std::vector<Rect>& screens) {
  auto kept = [&](int64_t x, int64_t y) {
    return Rect{static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + width), static_cast<int>(y + height)};
  };
  if (screens.empty()) return kept(0, 0);
  const int64_t right = left + width, bottom = top + height;
  int64_t shown = 0, most = 0;
  bool topEdgeShown = false;  // the bar, the only handle of a window without a caption
  const Rect* best = &screens.front();
  for (const Rect& screen : screens) {
    int64_t area = SharedArea(left, top, right, bottom, screen);
    shown += area;
    if (area > most) most = area, best = &screen;
    topEdgeShown = topEdgeShown || (area > 0 && top >= screen.top && top < screen.bottom);
  }
  if (topEdgeShown && 2 * shown >= static_cast<int64_t>(width) * height) return kept(left, top);
  int64_t x = std::clamp<int64_t>(left, best->left, std::max<int64_t>(best->left, best->right - width));
  int64_t y = std::clamp<int64_t>(top, best->top, std::max<int64_t>(best->top, best->bottom - height));
  return kept(x, y);
}

void CommandBeep() {
  if (sBeepOn) PlayTone(250, 300);
}

}  // namespace vt
