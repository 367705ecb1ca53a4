// Reading aloud: the book is read from the word at the caret, each spoken word marked in the pane.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace vt {

extern int32_t IsSpeaking;
extern int32_t SpeakStart;
extern int32_t UnderlineStart;
extern int32_t UnderlineLength;

void InitSpeech();
void SpeakFromCaret(WindowHandle window);
void StopSpeaking();
void CycleSpeechRate();
void ApplySpeechRate();
void SystemVolumeUp();
void SystemVolumeDown();
void HandleSpeechEvents();

}  // namespace vt
