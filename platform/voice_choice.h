// Which installed voice is the reader's male or female voice, by one rule for every system. Pure;
// any thread.
#pragma once
#include <vector>

#include "platform/speech_engine.h"

namespace vt {

// The reader's male or female voice among `voices`: the first US English voice (language id 409)
// of that gender, by the voices' attributes, which a Windows in another language keeps while it
// translates the descriptions; else the voice with the reader's description. -1 when none is.
int ChooseReaderVoice(bool male, const std::vector<InstalledVoice>& voices);

}  // namespace vt
