// Reading aloud. A reading hands the pane's text, filtered to plain ASCII and cut from the word at
// the caret, to the voice at once; the voice speaks on its own thread and reports back on the
// user-interface thread: MarkSpokenWord underlines each word as it is heard and EndReading, at the
// end, clears the marks, shows "Play" again and leaves the caret behind the last word. The rate
// announcements report nothing, so they neither mark the pane nor move the caret.
//
// State: whether speech has started (at the first reading, announcement or voice change),
// whether a reading runs, the text handed to the voice and where in the pane it starts, and the
// range of the word being spoken. A reading stops when the pane's text is replaced (its words
// would mark the new text); one that ends without a word heard found no voice to speak it, and
// leaves the view and the caret as they were.
#include "speech/reading_aloud.h"

#include <algorithm>
#include <cctype>

#include "bar/icon_bar.h"
#include "core/bar_messages.h"
#include "core/ids.h"
#include "core/settings_file.h"
#include "core/window_layout.h"
#include "platform/pane.h"
#include "platform/sound.h"
#include "reader/navigation.h"
#include "reader/reading_place.h"
#include "speech/voices.h"

namespace vt {

const char* const SlowSpeechAnnouncement = "Slow speech is on!";
const char* const NormalSpeechAnnouncement = "Normal speech is on!";
const char* const FastSpeechAnnouncement = "Fast speech is on!";

const char* const NoVoiceNotice = "No voice available!";

static int32_t wordsHeard = 0;    // words of the current reading heard so far
static ReadingPlace placeAtPlay;  // where the reader was when the current reading began

static bool KeptCharacter(unsigned char c) { return c == 9 || c == 12 || c == 13 || (c >= 32 && c <= 126); }

std::string ReadingText(const std::string& paneText, int32_t start) {
  std::string filtered;
  filtered.reserve(paneText.size());
  for (char c : paneText)
    if (KeptCharacter(static_cast<unsigned char>(c))) filtered.push_back(c);
  if (start < 0 || static_cast<size_t>(start) >= filtered.size()) return std::string();
  return filtered.substr(static_cast<size_t>(start), MaxReadingLength);
}

// The pane's text is about to be replaced: the reading stops, the bar shows "Play" at once, and
// its end leaves the caret where the new text puts it (no pane is read any more).
static void StopReadingForNewText() {
  if (IsSpeaking == 0) return;
  StopSpeaking();
  SpokenPane = nullptr;
  BuildIconBar();
}

// A caret that is off screen is no place the reader can see: the reading starts on screen.
static void StartOnScreen() {
  int start = 0, end = 0;
  PaneGetSelection(PaneWindow, start, end);
  if (PaneScreenRowOfChar(PaneWindow, std::min(start, end)) >= 0) return;
  int top = TopVisibleCharIndex();
  PaneSetSelection(PaneWindow, top, top);
}

void InitSpeech() {
  SpeechStarted = 1;
  SetSpeechListener({MarkSpokenWord, EndReading});
  OnPaneTextReplaced(StopReadingForNewText);
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
  placeAtPlay = CurrentPlace();
  wordsHeard = 0;
  StartOnScreen();
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
  ++wordsHeard;
  UnderlineStart = SpeakStart + word.position;
  UnderlineLength = word.length;
  ToggleRangeUnderline(SpokenPane);
}

static bool HasWord(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

void EndReading() {
  if (!IsWindow(MainWindow)) return;
  bool endedByItself = IsSpeaking == 1;
  IsSpeaking = 0;
  ClearPaneUnderline(SpokenPane);
  BuildIconBar();
  // With no word marked there is no last word to go behind: the reader stays where they were.
  if (SpokenPane && wordsHeard == 0) {
    ShowPlace(placeAtPlay, true);
  } else if (SpokenPane) {
    int32_t behind = UnderlineStart + UnderlineLength;
    PaneSetSelection(PaneWindow, behind, behind);
  }
  ResetCaret(PaneWindow);
  PaneSetFocus(PaneWindow);
  if (endedByItself && wordsHeard == 0 && HasWord(SpokenText)) ShowBarMessage(NoVoiceNotice, 1);
}

}  // namespace vt
