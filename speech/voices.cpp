// Voice selection. The installed voices are listed afresh at each choice. The reader's two voices
// are found by their gender and language; a voice asked for by name is the first whose description
// is exactly that name.
#include "speech/voices.h"

#include "core/settings_file.h"
#include "platform/voice_choice.h"
#include "platform/speech_engine.h"
#include "speech/reading_aloud.h"

namespace vt {

void ToggleVoice() {
  EnsureSpeechStarted();
  StopSpeaking();
  MaleVoice = MaleVoice ^ 1;
  SelectReaderVoice(MaleVoice == 1);
}

bool SelectVoice(const std::string& name) {
  for (const InstalledVoice& voice : InstalledVoices())
    if (voice.description == name) return SpeechSetVoice(voice.engineName);
  return false;
}

bool SelectReaderVoice(bool male) {
  std::vector<InstalledVoice> voices = InstalledVoices();
  int chosen = ChooseReaderVoice(male, voices);
  return chosen >= 0 && SpeechSetVoice(voices[static_cast<std::size_t>(chosen)].engineName);
}

}  // namespace vt
