// Reading aloud. A reading hands the pane's text, filtered to plain ASCII and cut from the word at
// the caret, to the voice object at once; the voice speaks on its own thread and notifies the main
// window, where HandleSpeechEvents underlines each word as it is heard and, at the end, clears the
// marks, shows "Play" again and leaves the caret behind the last word. The rate announcements are
// spoken with the voice's events switched off, so they neither mark the pane nor move the caret.
//
// State: the voice object, whether a reading runs, the text handed to the voice and where in the
// pane it starts, and the range of the word being spoken.
#include "speech/reading_aloud.h"

#include "bar/icon_bar.h"
#include "core/ids.h"
#include "core/settings_file.h"
#include "core/window_layout.h"
#include "platform/pane.h"
#include "platform/sound.h"
#include "reader/navigation.h"
#include "speech/voices.h"

namespace vt {


const char* const SlowSpeechAnnouncement = "Slow speech is on!";
const char* const NormalSpeechAnnouncement = "Normal speech is on!";
const char* const FastSpeechAnnouncement = "Fast speech is on!";

// The events the reader wants: word boundaries and the end of the text.
static const uint64_t kSpeechInterest = SPFEI(SPEI_END_INPUT_STREAM) | SPFEI(SPEI_WORD_BOUNDARY);

static bool KeptCharacter(unsigned char c) { return c == 9 || c == 12 || c == 13 || (c >= 32 && c <= 126); }

std::string ReadingText(const std::string& paneText, int32_t start) {
  std::string filtered;
  filtered.reserve(paneText.size());
  for (char c : paneText)
    if (KeptCharacter(static_cast<unsigned char>(c))) filtered.push_back(c);
  if (start < 0 || static_cast<size_t>(start) >= filtered.size()) return std::string();
  return filtered.substr(static_cast<size_t>(start), MaxReadingLength);
}

void InitSpeech() {
  SpeechVoice = CreateSpeechVoice();
  VoiceSetInterest(SpeechVoice, kSpeechInterest, kSpeechInterest);
  VoiceSetNotifyWindowMessage(SpeechVoice, MainWindow, SpeechNotifyMessage);
  // What is heard matches what the bar shows from the start.
  SelectVoice(SpeechVoice, MaleVoice == 0 ? FemaleVoiceName : MaleVoiceName);
  VoiceSetRate(SpeechVoice, vRate);
}

void SpeakFromCaret(WindowHandle) {
  if (IsSpeaking == 1) StopSpeaking();
  SpokenPane = PaneWindow;
  IsSpeaking = 1;
  SpeakStart = SelectWordAtCaret(SpokenPane);
  SpokenText = ReadingText(PaneGetPlainText(PaneWindow), SpeakStart);
  VoiceSpeak(SpeechVoice, SpokenText, SPF_ASYNC, nullptr);
}

void StopSpeaking() {
  if (IsSpeaking == 0) return;
  SpokenText.clear();
  VoiceSpeak(SpeechVoice, "", SPF_PURGEBEFORESPEAK, nullptr);
  IsSpeaking = 0;
}

void CycleSpeechRate() {
  if (vRate == SlowRate)
    vRate = 0;
  else if (vRate == 0)
    vRate = FastRate;
  else if (vRate == FastRate)
    vRate = SlowRate;
  BuildIconBar();
  BarPaintNow(BarWindow);
  ApplySpeechRate();
}

void ApplySpeechRate() {
  VoiceSetRate(SpeechVoice, vRate);
  if (IsSpeaking != 0) return;
  if (vRate == SlowRate)
    SpokenText = SlowSpeechAnnouncement;
  else if (vRate == 0)
    SpokenText = NormalSpeechAnnouncement;
  else if (vRate == FastRate)
    SpokenText = FastSpeechAnnouncement;
  else
    return;  // a rate of none of the three has no announcement (the last reading is not spoken again)
  VoiceSetInterest(SpeechVoice, 0, 0);
  VoiceSpeak(SpeechVoice, SpokenText, SPF_PURGEBEFORESPEAK, nullptr);
  VoiceSetInterest(SpeechVoice, kSpeechInterest, kSpeechInterest);
}

void SystemVolumeUp() { StepMasterVolume(+1); }
void SystemVolumeDown() { StepMasterVolume(-1); }

static void MarkSpokenWord() {
  SpeechStatus status{};
  VoiceGetStatus(SpeechVoice, &status);
  if (SpokenText.empty()) return;
  UnderlineStart = SpeakStart + status.ulInputWordPos;
  UnderlineLength = status.ulInputWordLen;
  ToggleRangeUnderline(SpokenPane);
}

static void EndReading() {
  IsSpeaking = 0;
  ClearPaneUnderline(SpokenPane);
  BuildIconBar();
  int32_t behind = UnderlineStart + UnderlineLength;
  PaneSetSelection(PaneWindow, behind, behind);
  ResetCaret(PaneWindow);
  PaneSetFocus(PaneWindow);
}

void HandleSpeechEvents() {
  SpeechEvent event{};
  while (VoiceGetEvents(SpeechVoice, &event) == S_OK) {
    if (event.eventId == SPEI_WORD_BOUNDARY)
      MarkSpokenWord();
    else if (event.eventId == SPEI_END_INPUT_STREAM)
      EndReading();
  }
}

}  // namespace vt
