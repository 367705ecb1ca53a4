// Display options of the reading pane: face, size, weight, colour schemes and letter case, each
// applied to the pane as soon as it changes.
#pragma once
#include <cstdint>

#include "core/program_state.h"
#include "core/display_rules.h"

namespace vt {

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

}  // namespace vt
