// The icon bar: large icon buttons with labels across the top of the main window, rebuilt
// wholesale from the program state whenever something it shows changes.
#pragma once

#include <string>

#include "core/program_state.h"

namespace vt {

// Loads the 23 bar icons, scaled to IconSize.
void CreateBarImageList();

// Makes the label font: "Arial Black", bold, ScaledFontSize(32).
void CreateBarFont();

// Where the buttons' long names come from (the command table above this layer); screen readers
// announce them as the buttons' descriptions, after the names, which begin with the labels.
void SetButtonLongNames(std::string (*longName)(int command));

// Destroys the bar and builds it again from the state; measures BarHeight.
void BuildIconBar();

// The reading set (0) again, as at start.
void ResetButtonSet();

// The next or previous of the bar's three narrow button sets (shown by the next build).
void NextButtonSet();
void PreviousButtonSet();

// The right edge of the last button, in bar coordinates.
int BarRightEdge();

// The resource name of an icon by its number, 1 ... 23 ("" outside).
const char* BarIconName(int number);

}  // namespace vt
