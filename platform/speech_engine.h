// The speech engine: one voice object over espeak-ng. Text is synthesised on one worker thread and
// played through our own sound-server stream; word-boundary and end-of-stream events are released
// when the stream's playback clock reaches them (what is heard, not what has been synthesised) and
// are announced to a window by a posted message. Without the engine or a sound server every
// reading ends at once with its end event, so nothing waits on speech that cannot be heard.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/legacy_messages.h"

namespace vt {

struct VoiceToken;

// Result codes of the voice and token operations.
using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT SPERR_NOT_FOUND = static_cast<HRESULT>(0x8004503Au);

// Event ids; an interest mask has bit (1 << id) set for each event wanted.
constexpr uint16_t SPEI_END_INPUT_STREAM = 2;
constexpr uint16_t SPEI_WORD_BOUNDARY = 5;

// Speak flags: return at once (else when the text has been heard); discard queued speech first.
constexpr uint32_t SPF_ASYNC = 1;
constexpr uint32_t SPF_PURGEBEFORESPEAK = 2;

// Running states of SpeechStatus.
constexpr int32_t SPRS_DONE = 1;
constexpr int32_t SPRS_IS_SPEAKING = 2;

// One queued event. Word positions count bytes of the spoken UTF-8 text (characters, for the
// plain ASCII the reader speaks). A word is the white-space-delimited token the engine is at, with
// its outer punctuation stripped.
struct SpeechEvent {
  uint16_t eventId;
  uint32_t streamNumber;
  uint64_t audioStreamOffset;  // bytes of the stream's 16-bit mono audio before the event
  int32_t wordPos;
  int32_t wordLen;
};

struct SpeechStatus {
  int32_t runningState;    // SPRS_DONE or SPRS_IS_SPEAKING
  uint32_t currentStream;  // the stream last handed to Speak
  int32_t ulInputWordPos;  // the word of the last word event handed out by VoiceGetEvents
  int32_t ulInputWordLen;
  uint64_t wordAudioOffset;  // where that word's audio starts in its stream (bytes)
};

// An installed voice of the engine (a language voice or a variant such as "m3").
struct EngineVoice {
  std::string name;        // "English (America)", "male3"
  std::string identifier;  // "gmw/en-US", "!v/m3"
  std::string language;    // "en-us"; empty for variants
  int gender;              // 0 unknown, 1 male, 2 female
};

struct SpeechVoiceObject;
using SpeechVoiceHandle = SpeechVoiceObject*;

// The process's voice object; the engine starts on the first call (once per process) and every
// later call returns the same object.
SpeechVoiceHandle CreateSpeechVoice();

// Every event of interest is followed by `message` posted to `window` (null: no message).
void VoiceSetNotifyWindowMessage(SpeechVoiceHandle voice, WindowHandle window, unsigned message);

// Which events are produced and queued (bit 1 << event id); the events of a stream count as
// wanted by the interest in force when they are heard.
void VoiceSetInterest(SpeechVoiceHandle voice, uint64_t eventInterest, uint64_t queuedInterest);

// Takes the oldest queued event: S_OK with one event, S_FALSE when the queue is empty. A word event
// becomes the status's current word.
HRESULT VoiceGetEvents(SpeechVoiceHandle voice, SpeechEvent* event);

// The current word and state.
void VoiceGetStatus(SpeechVoiceHandle voice, SpeechStatus* status);

// Speaks `text` as a new stream. With SPF_PURGEBEFORESPEAK all queued and sounding speech is
// discarded first and events not yet taken are dropped, so nothing of it marks anything later;
// the purge itself returns within a few milliseconds. Without SPF_ASYNC the call returns when
// the text has been heard; an empty text is a stream that ends at once.
HRESULT VoiceSpeak(SpeechVoiceHandle voice, const std::string& text, uint32_t flags, uint32_t* streamNumber);

// The rate -10 ... 10 (values beyond are taken as the nearest end); a reading in progress
// changes speed at its next clause.
HRESULT VoiceSetRate(SpeechVoiceHandle voice, int32_t rate);
int32_t VoiceGetRate(SpeechVoiceHandle voice);

// Gives the voice the engine voice a token stands for (null: the engine's default voice) from the
// next stream on. SPERR_NOT_FOUND when the engine has no such voice: the voice stays as it was.
HRESULT VoiceSetVoice(SpeechVoiceHandle voice, const VoiceToken* token);

// The engine voice name in use ("en-us+m3").
std::string VoiceCurrentEngineVoice(SpeechVoiceHandle voice);

// How many purges the voice has made (each Speak with SPF_PURGEBEFORESPEAK is one).
int VoicePurgeCount(SpeechVoiceHandle voice);

// True when the engine started (its data were found); waits for the start.
bool SpeechEngineAvailable();

// The engine's language voices and its variants, as listed when it started.
std::vector<EngineVoice> ListEngineVoices();
std::vector<EngineVoice> ListEngineVariants();

// True for a voice name the engine knows: a language voice ("en-us", "gmw/en-US"), optionally
// followed by "+" and a known variant ("en-us+f3").
bool IsEngineVoiceName(const std::string& name);

// The engine's words per minute and extra pause between words (10 ms units) for a rate -10 ... 10:
// 175 x 3^(rate/10), the normal speed at 0, three times at 10, a third at -10; below the engine's
// 80 words per minute the pause between words grows instead.
int EngineWordsPerMinute(int rate);
int EngineWordGap(int rate);

// The sample rate of the engine's audio (16-bit mono).
int EngineSampleRate();

}  // namespace vt
