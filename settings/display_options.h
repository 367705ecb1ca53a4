// Display options of the reading pane: the DPI-independent font size rule, face, size, weight,
// colour schemes, letter case, and the switching between the bar's three button sets.
#pragma once
#include <cstdint>

#include "platform/pane.h"

namespace vt {

extern long double FontScale;    // 96 / the screen's horizontal logical DPI
extern PaneFontRequest PaneFont; // the font last set on the pane
extern int32_t ButtonSet;        // 0, 1 or 2: the narrow button set the bar shows

void ComputeFontScale();

// The largest multiple of 0.1 not above points x FontScale.
long double ScaledFontSize(long double points);

// The pane font for the current FontName, FontSize and FontAttr at a vertical DPI.
PaneFontRequest MakePaneFontRequest(double dpiY);

// FontSize += step, then the pane font is made again from the state.
void ChangeFontSize(int32_t step);

// The next face of the cycle ("Tahoma", "Courier New", "Times New Roman", "Comic Sans MS").
void CycleFontName();

// The pane's colours from TextColor and BGColor.
void ApplyColors();

// The next colour scheme (white on black after black on white, and so on).
void CycleColors();

// Four points larger or smaller, colours again, the window laid out again.
void ZoomIn();
void ZoomOut();

// Bold on or off.
void ToggleBold();

// The next letter case: upper, lower, the book's own.
void CycleTextCase();

// The next or previous of the bar's three narrow button sets.
void NextButtonSet();
void PreviousButtonSet();

}  // namespace vt
