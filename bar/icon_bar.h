// The icon bar: large icon buttons with labels across the top of the main window, rebuilt
// wholesale from the program state whenever something it shows changes.
#pragma once

#include "platform/bar.h"

namespace vt {

extern BarImages* BarImageList;  // the 23 bar icons at IconSize, numbered from 1 in their fixed order
extern BarView* BarWindow;       // the bar (control IdBar), null before the first build
extern FontRequest BarFont;      // the labels' font

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

// The resource name of an icon by its number, 1 ... 23 ("" outside).
const char* BarIconName(int number);

}  // namespace vt
