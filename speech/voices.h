// Voice selection: the male or female voice, chosen by description among the installed voices.
#pragma once

namespace vt {

// The voice command: stop reading, flip MaleVoice, choose that voice, rebuild the bar.
void ToggleVoice();

}  // namespace vt
