// Reading aloud (filled in by the speech work).
#include "speech/reading_aloud.h"

namespace vt {

int32_t IsSpeaking = 0;
int32_t SpeakStart = 0;
int32_t UnderlineStart = 0;
int32_t UnderlineLength = 0;

void InitSpeech() {}
void SpeakFromCaret(WindowHandle) {}
void StopSpeaking() {}
void CycleSpeechRate() {}
void ApplySpeechRate() {}
void SystemVolumeUp() {}
void SystemVolumeDown() {}
void HandleSpeechEvents() {}

}  // namespace vt
