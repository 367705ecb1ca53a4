// Voice selection. The installed voices are listed afresh at each choice; the first whose
// description is exactly the wanted name becomes the voice that reads.
#include "speech/voices.h"

#include "core/settings_file.h"
#include "platform/speech_engine.h"
#include "speech/reading_aloud.h"

namespace vt {

void ToggleVoice() {
  EnsureSpeechStarted();
  StopSpeaking();
  MaleVoice = MaleVoice ^ 1;
  if (MaleVoice == 0) SelectVoice(FemaleVoiceName);
  if (MaleVoice == 1) SelectVoice(MaleVoiceName);
}

bool SelectVoice(const std::string& name) {
  for (const InstalledVoice& voice : InstalledVoices())
    if (voice.description == name) return SpeechSetVoice(voice.engineName);
  return false;
}

}  // namespace vt
