// Reading aloud: the book is read from the word at the caret, each spoken word marked in the pane.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/program_state.h"
#include "platform/speech_engine.h"
#include "platform/window.h"
#include "reader/reading_pane.h"

namespace vt {

// The most characters one reading takes from its start.
constexpr size_t MaxReadingLength = 1000000;

// The notice of a reading that no voice could speak.
extern const char* const NoVoiceNotice;
extern const char* const NoSoundOutputNotice;  // there is a voice, but no sound output to hear it on

// The spoken announcements of the three rates.
extern const char* const SlowSpeechAnnouncement;
extern const char* const NormalSpeechAnnouncement;
extern const char* const FastSpeechAnnouncement;

// Makes the voice report to MarkSpokenWord and EndReading; the voice gets the voice named by
// MaleVoice and the rate vRate.
void InitSpeech();

// InitSpeech, unless it has run: speech starts when it is first needed, since starting the engine
// and listing its voices would keep the window from showing the book.
void EnsureSpeechStarted();

// Play: reads the pane aloud from the word at the caret, or from the first word on screen when the
// caret is not on screen.
void SpeakFromCaret();

// Stop: discards the reading (its marks are cleared by the end event that follows).
void StopSpeaking();

// The speed command: slow -> normal -> fast -> slow, then the new rate is applied.
void CycleSpeechRate();

// Gives the voice vRate; when idle, announces the rate and returns when it has been spoken.
void ApplySpeechRate();

// The volume commands: one step of the system's master volume.
void SystemVolumeUp();
void SystemVolumeDown();

// The voice's report of a word being heard: underlines it in the pane being read.
void MarkSpokenWord(const SpokenWord& word);

// The voice's report of the end of a reading: the marks go, the bar shows "Play" again and the
// caret is left behind the last word. A reading of which no word was heard leaves the view and the
// caret as they were at Play, and when it ended by itself says why (no voice, or no sound output).
void EndReading();

// The voice's report that a reading broke off because the sound went away (after its end): the
// reader is told that no voice is available.
void ReadingLost();

// How a reading's byte offsets map to pane positions: pairs of (spoken byte, pane position minus
// that byte), in order, each in force from its byte on; none while the two agree.
using ReadingMap = std::vector<std::pair<int32_t, int32_t>>;

// The text a reading speaks (UTF-8): the pane's text from position `start` on, at most
// MaxReadingLength positions, without line feeds and control characters other than tab, form feed
// and carriage return. `map`, when given, receives the way back to pane positions.
std::string ReadingText(const std::string& paneText, int32_t start, ReadingMap* map = nullptr);

// The pane position, counted from the reading's start, of a byte offset in its spoken text.
int32_t PanePositionOf(const ReadingMap& map, int32_t spokenByte);

}  // namespace vt
