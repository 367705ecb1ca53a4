// Reading aloud. A reading hands the pane's text, with its letters, cut from the word at the caret
// and without line feeds and control characters, to the voice at once; the voice speaks on its own thread and reports back on the
// user-interface thread: MarkSpokenWord underlines each word as it is heard and EndReading, at the
// end, clears the marks, shows "Play" again and leaves the caret behind the last word; when the
// sound went away mid-reading, ReadingLost then says that no sound output was found. The rate
// announcements report nothing, so they neither mark the pane nor move the caret.
//
// State: whether speech has started (at the first reading, announcement or voice change),
// whether a reading runs, the text handed to the voice, where in the pane it starts and how its
// bytes map back to pane positions, and the range of the word being spoken. A reading stops when
// the pane's text is replaced (its words would mark the new text); one that ends without a word
// heard found no voice to speak it, and leaves the view and the caret as they were.
#include "speech/reading_aloud.h"

#include <algorithm>
#include <climits>

#include "bar/icon_bar.h"
#include "core/bar_messages.h"
#include "core/ids.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "core/window_layout.h"
#include "platform/pane.h"
#include "platform/pane_positions.h"
#include "platform/sound.h"
#include "reader/navigation.h"
#include "reader/reading_place.h"
#include "speech/voices.h"

namespace vt {

const char* const SlowSpeechAnnouncement = "Slow speech is on!";
const char* const NormalSpeechAnnouncement = "Normal speech is on!";
const char* const FastSpeechAnnouncement = "Fast speech is on!";
const char* const NoVoiceNotice = "No voice available!";
const char* const NoSoundOutputNotice = "No sound output found!";

// The current reading beyond what the program's state shows of it.
struct ReadingState {
  int32_t wordsHeard = 0;    // words of the current reading heard so far
  ReadingPlace placeAtPlay;  // where the reader was when the current reading began
  // Where each word of the reading stands in the pane: the spoken text drops characters the pane
  // counts (the LF of each CR LF, control characters) and a character of several bytes is one pane
  // position (two outside the Basic Multilingual Plane), so byte offsets are mapped back.
  ReadingMap spokenPositions;
};
static ReadingState reading;
static int32_t& wordsHeard = reading.wordsHeard;
static ReadingPlace& placeAtPlay = reading.placeAtPlay;
static ReadingMap& spokenPositions = reading.spokenPositions;
[[maybe_unused]] static const bool resetWithProgram = ResetAlongWithProgramState([] { reading = ReadingState{}; });

// One character of the pane's text at paneText[i]: its bytes, the pane positions it takes, and
// whether the voice is given it.
struct PaneCharacter {
  size_t bytes;
  int32_t positions;
  bool spoken;
};

static PaneCharacter CharacterAt(const std::string& paneText, size_t i) {
  const auto c = static_cast<unsigned char>(paneText[i]);
  const PaneChar character = PaneCharAt(paneText, i);
  if (c < 0x80) return {character.bytes, 1, c == 9 || c == 12 || c == 13 || (c >= 32 && c < 127)};  // CR spoken, LF not
  const bool c1Control = c == 0xC2 && character.bytes == 2 && static_cast<unsigned char>(paneText[i + 1]) < 0xA0;
  return {character.bytes, character.positions, !c1Control && character.bytes > 1};
}

std::string ReadingText(const std::string& paneText, int32_t start, ReadingMap* map) {
  if (map) map->clear();
  size_t i = 0;
  for (int32_t position = 0; i < paneText.size() && position < start;) {
    PaneCharacter character = CharacterAt(paneText, i);
    position += character.positions;
    i += character.bytes;
  }
  if (start < 0 || i >= paneText.size()) return std::string();
  std::string spoken;
  int32_t positions = 0, shift = 0;
  while (i < paneText.size() && static_cast<size_t>(positions) < MaxReadingLength) {
    PaneCharacter character = CharacterAt(paneText, i);
    if (character.spoken) spoken.append(paneText, i, character.bytes == 2 && paneText[i] == '\r' ? 1 : character.bytes);
    positions += character.positions;
    i += character.bytes;
    if (map && positions - static_cast<int32_t>(spoken.size()) != shift) {
      shift = positions - static_cast<int32_t>(spoken.size());
      map->emplace_back(static_cast<int32_t>(spoken.size()), shift);
    }
  }
  return spoken;
}

int32_t PanePositionOf(const ReadingMap& map, int32_t spokenByte) {
  auto after = std::upper_bound(map.begin(), map.end(), std::make_pair(spokenByte, INT32_MAX));
  return spokenByte + (after == map.begin() ? 0 : std::prev(after)->second);
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
  SetSpeechListener({MarkSpokenWord, EndReading, ReadingLost});
  OnPaneTextReplaced(StopReadingForNewText);
  // What is heard matches what the bar shows from the start.
  SelectReaderVoice(MaleVoice != 0);
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
  SpokenText = ReadingText(PaneGetPlainText(PaneWindow), SpeakStart, &spokenPositions);
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

// The eye reads ahead of the voice: once the spoken word's row would pass the middle of the pane
// (or has left the view), the view moves by whole rows so that the row is the second from the
// top. The other words of that row then stand above the middle, so a row moves the view at most once.
static void KeepSpokenWordInUpperHalf(PaneView* pane) {
  int x = 0, y = 0;
  if (!PanePosFromChar(pane, UnderlineStart, x, y)) return;
  if (y >= 0 && y < PaneHeight(pane) / 2) return;
  int row = PaneLineFromChar(pane, UnderlineStart) - PaneFirstVisibleLine(pane);
  PaneLineScroll(pane, row - 1);
}

void MarkSpokenWord(const SpokenWord& word) {
  if (!IsWindow(MainWindow) || SpokenText.empty()) return;  // no pane after the window has ended
  ++wordsHeard;
  const int32_t from = PanePositionOf(spokenPositions, word.position);
  UnderlineStart = SpeakStart + from;
  UnderlineLength = PanePositionOf(spokenPositions, word.position + word.length) - from;
  ToggleRangeUnderline(SpokenPane);
  KeepSpokenWordInUpperHalf(SpokenPane);
  PaneReportSpokenWord(SpokenPane, UnderlineStart);
}

// Why nothing was heard: no voice at all, or a voice with nowhere to sound.
static const char* SilenceNotice() { return InstalledVoices().empty() ? NoVoiceNotice : NoSoundOutputNotice; }

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
  PaneReportSpokenWord(SpokenPane, -1);
  ResetCaret(PaneWindow);
  PaneSetFocus(PaneWindow);
  if (endedByItself && wordsHeard == 0 && HasWord(SpokenText)) ShowBarMessage(SilenceNotice(), 1);
}

void ReadingLost() {
  // A reading lost before its first word has already said so at its end.
  if (IsWindow(MainWindow) && wordsHeard > 0) ShowBarMessage(SilenceNotice(), 1);
}

}  // namespace vt
