// Reading aloud. A reading hands the pane's text, filtered to plain ASCII and cut from the word at
// the caret, to the voice at once; the voice speaks on its own thread and reports back on the
// user-interface thread: MarkSpokenWord underlines each word as it is heard and EndReading, at the
// end, clears the marks, shows "Play" again and leaves the caret behind the last word. The rate
// announcements report nothing, so they neither mark the pane nor move the caret.
//
// State: whether speech has started (at the first reading, announcement or voice change),
// whether a reading runs, the text handed to the voice and where in the pane it starts, and
// the range of the word being spoken.
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
  SpeechStarted = 1;
  SetSpeechListener({MarkSpokenWord, EndReading});
  // What is heard matches what the bar shows from the start.
  SelectVoice(MaleVoice == 0 ? FemaleVoiceName : MaleVoiceName);
  SpeechSetRate(vRate);
}

void EnsureSpeechStarted() {
  if (SpeechStarted == 0) InitSpeech();
}

void SpeakFromCaret() {
  EnsureSpeechStarted();
  if (IsSpeaking == 1) StopSpeaking();
  SpokenPane = PaneWindow;
  IsSpeaking = 1;
  SpeakStart = SelectWordAtCaret(SpokenPane);
  SpokenText = ReadingText(PaneGetPlainText(PaneWindow), SpeakStart);
  SpeechSpeak(SpokenText, SpeakMode::Reading);
}

void StopSpeaking() {
  if (IsSpeaking == 0) return;
  SpokenText.clear();
  SpeechStop();
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
  EnsureSpeechStarted();
  SpeechSetRate(vRate);
  if (IsSpeaking != 0) return;
  if (vRate == SlowRate)
    SpokenText = SlowSpeechAnnouncement;
  else if (vRate == 0)
    SpokenText = NormalSpeechAnnouncement;
  else if (vRate == FastRate)
    SpokenText = FastSpeechAnnouncement;
  else
    return;  // a rate of none of the three has no announcement (the last reading is not spoken again)
  SpeechSpeak(SpokenText, SpeakMode::Announcement);
}

void SystemVolumeUp() { StepMasterVolume(+1); }
void SystemVolumeDown() { StepMasterVolume(-1); }

void MarkSpokenWord(const SpokenWord& word) {
  if (!IsWindow(MainWindow) || SpokenText.empty()) return;  // no pane after the window has ended
  UnderlineStart = SpeakStart + word.position;
  UnderlineLength = word.length;
  ToggleRangeUnderline(SpokenPane);
}

void EndReading() {
  if (!IsWindow(MainWindow)) return;
  IsSpeaking = 0;
  ClearPaneUnderline(SpokenPane);
  BuildIconBar();
  int32_t behind = UnderlineStart + UnderlineLength;
  PaneSetSelection(PaneWindow, behind, behind);
  ResetCaret(PaneWindow);
  PaneSetFocus(PaneWindow);
}

}  // namespace vt
