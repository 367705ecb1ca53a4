// Display options (filled in with the reading pane).
#include "settings/display_options.h"

#include "settings/settings_file.h"

namespace vt {

long double FontScale = 1;
int32_t ButtonSet = 0;

void ComputeFontScale() {}
long double ScaledFontSize(long double points) { return points * FontScale; }
void ChangeFontSize(int32_t step) { FontSize += step; }
void CycleFontName() {}
void ApplyColors() {}
void CycleColors() {}
void ZoomIn() { ChangeFontSize(4); }
void ZoomOut() { ChangeFontSize(-4); }
void ToggleBold() {}
void CycleTextCase() {}
void NextButtonSet() {}
void PreviousButtonSet() {}

}  // namespace vt
