// Display options of the reading pane: the DPI-independent font size rule, face, size, weight,
// colour schemes, letter case, and the switching between the bar's three button sets.
#pragma once
#include <cstdint>

namespace vt {

extern long double FontScale;  // 96 / the screen's horizontal logical DPI
extern int32_t ButtonSet;      // 0, 1 or 2: the narrow button set the bar shows

void ComputeFontScale();

// The largest multiple of 0.1 not above points x FontScale.
long double ScaledFontSize(long double points);

// FontSize += step, then the pane font is made again from the state.
void ChangeFontSize(int32_t step);

void CycleFontName();
void ApplyColors();
void CycleColors();
void ZoomIn();
void ZoomOut();
void ToggleBold();
void CycleTextCase();
void NextButtonSet();
void PreviousButtonSet();

}  // namespace vt
