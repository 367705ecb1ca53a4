// Voice selection: the male or female voice, chosen by description among the installed voices.
#pragma once
#include <string>

namespace vt {

// The voice command: stop reading, flip MaleVoice, choose that voice (the bar shows it after).
void ToggleVoice();

// Gives the voice the first installed voice whose description is exactly `name`. False when there
// is none: the voice stays as it was.
bool SelectVoice(const std::string& name);

// Makes the reader's male or female voice the one that reads; false when it is not installed.
bool SelectReaderVoice(bool male);

}  // namespace vt
