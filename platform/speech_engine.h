// The speech engine: the process's one voice, over espeak-ng. Text is synthesised on one worker
// thread and played through our own sound-server stream; each word and the end of a reading are
// reported to the listener on the user-interface thread when the stream's playback clock reaches
// them (what is heard, not what has been synthesised). Without the engine or a sound server every
// reading ends at once with its end report, so nothing waits on speech that cannot be heard.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vt {

// A word as it begins to sound: its place in the spoken text, in bytes of that UTF-8 text, and
// where its sound starts, in seconds from the start of its reading.
// The word is the white-space-delimited token the engine is at, with its outer punctuation stripped.
struct SpokenWord {
  int32_t position;
  int32_t length;
  double audioSeconds;
};

// What the voice reports, on the user-interface thread and in the order heard. Nothing of speech
// that was stopped is reported after the stop.
struct SpeechListener {
  std::function<void(const SpokenWord& word)> word;  // a word of a reading begins to sound
  std::function<void()> ended;                        // a reading has been heard to its end, or stopped
  std::function<void()> lost;  // right after `ended`: the reading broke off because the sound server went away
};

// Replaces the listener; the engine starts on the first call of any function here.
void SetSpeechListener(SpeechListener listener);

enum class SpeakMode {
  Reading,       // returns at once, waits behind speech still sounding, reports its words and its end
  Announcement,  // stops what sounds, returns when heard, reports nothing (it marks no word)
};

// Speaks `text`. An empty reading ends at once.
void SpeechSpeak(const std::string& text, SpeakMode mode);

// Discards all queued and sounding speech within a few milliseconds; nothing of it is reported any
// more, and one end report follows, as for a reading that ended.
void SpeechStop();

// The rate -10 ... 10 (values beyond are taken as the nearest end); a reading in progress changes
// speed at its next clause.
void SpeechSetRate(int rate);

// The descriptions of the reader's two voices.
extern const char* const MaleVoiceName;
extern const char* const FemaleVoiceName;

// An installed voice: its description and the engine's name for it.
struct InstalledVoice {
  std::string description;  // "English (America)"
  std::string engineName;   // "gmw/en-US", "en-us+m3"
  std::string gender;       // "Male", "Female", or "" when the voice does not say
  std::string language;     // its languages as hex language ids, ";" between them ("409;9"), or ""
};

// The installed voices: the reader's male and female US English voices first, then every language
// voice of the engine; empty without the engine.
std::vector<InstalledVoice> InstalledVoices();

// Speaks with the engine voice `engineName` from the next reading on: a language voice ("en-us",
// "gmw/en-US"), optionally followed by "+" and a variant ("en-us+f3"). False, and the voice stays
// as it was, for a name the engine does not know.
bool SpeechSetVoice(const std::string& engineName);

}  // namespace vt
