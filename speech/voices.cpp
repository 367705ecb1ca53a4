// Voice selection (filled in by the speech work).
#include "speech/voices.h"

namespace vt {

void ToggleVoice() {}

}  // namespace vt
