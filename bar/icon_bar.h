// The icon bar: large icon buttons with labels across the top of the main window, rebuilt
// wholesale from the program state whenever something it shows changes.
#pragma once

namespace vt {

// Loads the 23 bar icons, scaled to IconSize.
void CreateBarImageList();

// Makes the label font: "Arial Black", bold, ScaledFontSize(32).
void CreateBarFont();

// Destroys the bar and builds it again from the state; measures BarHeight.
void BuildIconBar();

// The current height of the bar window in pixels (0 when there is none).
int BarWindowHeight();

// The right edge of the last button, in bar coordinates.
int BarRightEdge();

}  // namespace vt
