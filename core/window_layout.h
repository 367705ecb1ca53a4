// The two services every command uses: the layout of the main window after a change of size,
// font or bar, and the command click.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace vt {

// BarHeight from the bar as it is now (0 when there is none).
void MeasureBarHeight();

// Places the pane right below the bar, 5 pixels in from the sides and the bottom.
void LayoutMainWindow();

// Where a window of `width` x `height` stored at (left, top) starts: there, when the screens' work
// areas show its top edge and at least half of it; otherwise on the screen that shows most of it
// (the first, the primary screen, when none shows any), moved as little as it takes to lie on it.
Rect PlaceOnScreens(int64_t left, int64_t top, int width, int height, const std::vector<Rect>& screens);

// The command click: 250 Hz for 300 ms when sBeepOn is non-zero; returns when it has ended.
void CommandBeep();

}  // namespace vt
