// The speech engine over SAPI 5. One voice object ("SAPI.SpVoice"), made on the user-interface
// thread on first use and kept for the life of the process, speaks on SAPI's own threads. SAPI
// reports each word boundary and the end of each text through its notify callback, which it calls
// on the thread that set it up, from a message to a hidden window of its own: the reports arrive
// through the main window's message loop and need nothing of the window. Each reading is one SAPI
// stream; the streams whose words and end still count are kept by stream number, and a stop (or an
// announcement) forgets them all, so nothing of stopped speech is reported after the stop. The end
// reports that SAPI gives no event for (a stop, a reading that cannot sound) go through RunLater,
// stamped with the generation that the next stop ends.
//
// Without SAPI, without its voice object, or where Speak fails (Wine has the object but no voices:
// Speak answers E_NOTIMPL), every reading ends at once with its end report.
//
// State: the voice, its readings, the generation, the rate and the listener, all on the
// user-interface thread; SAPI's threads touch none of it.
#include "platform/speech_engine.h"

#include <windows.h>
#include <sapi.h>
#include <sphelper.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/testing.h"
#include "platform/voice_choice.h"
#include "platform/win32/wide_text.h"
#include "platform/window.h"

namespace vt {

namespace {

constexpr ULONGLONG kInterest =
    SPFEI(SPEI_START_INPUT_STREAM) | SPFEI(SPEI_END_INPUT_STREAM) | SPFEI(SPEI_WORD_BOUNDARY);
constexpr DWORD kPlainText = SPF_IS_NOT_XML;  // a "<" in a book is text, never a SAPI tag

// A text SAPI is speaking for a reading: what was handed over and how far its words have come.
struct Reading {
  std::string text;                 // UTF-8
  std::vector<int32_t> byteOfUnit;  // the byte of each UTF-16 unit SAPI counts; empty for ASCII text
  ULONGLONG audioStart = 0;         // the audio stream's offset, in bytes, when this text began
  size_t wordsEnd = 0;              // the end of the last word reported
};

struct Voice {
  bool started = false;
  ISpVoice* sapi = nullptr;           // null without a usable voice object
  std::map<ULONG, Reading> readings;  // by SAPI stream number: the readings that still report
  uint64_t generation = 0;            // a stop starts a new one
  int rate = 0;
  std::string tokenId;           // the voice chosen last; empty: SAPI's default voice
  DWORD audioBytesPerSecond = 0;  // of the voice's output, once known
};

Voice voice;
SpeechListener listener;

// ---- reporting ----

void ReportEnd() {
  SpeechListener current = listener;  // the listener may replace itself
  if (current.ended) current.ended();
}

void ReportWord(const SpokenWord& word) {
  SpeechListener current = listener;
  if (current.word) current.word(word);
}

// An end report that SAPI does not give: it reaches the listener unless a stop comes first.
void PostEnd() {
  uint64_t generation = voice.generation;
  RunLater(0, [generation] {
    if (generation == voice.generation) ReportEnd();
  });
}

// ---- words ----

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsPunct(char c) { return std::ispunct(static_cast<unsigned char>(c)) != 0; }

// The word of the token at or after `pos`: white-space-delimited, outer punctuation stripped.
bool TokenAt(const std::string& text, size_t pos, size_t& start, size_t& end) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  if (pos >= text.size()) return false;
  for (start = pos; start > 0 && !IsSpace(text[start - 1]);) --start;
  for (end = pos; end < text.size() && !IsSpace(text[end]);) ++end;
  size_t s = start, t = end;
  while (s < t && IsPunct(text[s])) ++s;
  while (t > s && IsPunct(text[t - 1])) --t;
  if (s < t) start = s, end = t;
  return true;
}

// SAPI counts UTF-16 units; the listener hears of bytes.
std::vector<int32_t> ByteOfEachUnit(const std::string& text) {
  std::vector<int32_t> table;
  if (std::none_of(text.begin(), text.end(), [](char c) { return c & 0x80; })) return table;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;
    table.push_back(static_cast<int32_t>(i));
    if (c >= 0xF0) table.push_back(static_cast<int32_t>(i));  // a character beyond U+FFFF takes two units
  }
  return table;
}

size_t ByteOfUnit(const Reading& reading, LPARAM unit) {
  size_t index = static_cast<size_t>(std::max<LPARAM>(unit, 0));
  if (reading.byteOfUnit.empty()) return std::min(index, reading.text.size());
  return index < reading.byteOfUnit.size() ? reading.byteOfUnit[index] : reading.text.size();
}

DWORD AudioBytesPerSecond() {
  ISpStreamFormat* output = nullptr;
  if (voice.audioBytesPerSecond || FAILED(voice.sapi->GetOutputStream(&output))) return voice.audioBytesPerSecond;
  GUID kind;
  WAVEFORMATEX* format = nullptr;
  if (SUCCEEDED(output->GetFormat(&kind, &format)) && format) voice.audioBytesPerSecond = format->nAvgBytesPerSec;
  CoTaskMemFree(format);
  output->Release();
  return voice.audioBytesPerSecond;
}

// A word boundary: lParam is the word's first unit in the text, ullAudioStreamOffset where it sounds.
void ReportWordOf(Reading& reading, const SPEVENT& event) {
  size_t start, end;
  if (!TokenAt(reading.text, ByteOfUnit(reading, event.lParam), start, end)) return;
  if (start < reading.wordsEnd) return;  // a second boundary inside a word already marked
  reading.wordsEnd = end;
  DWORD rate = AudioBytesPerSecond();
  double seconds = rate ? static_cast<double>(event.ullAudioStreamOffset - reading.audioStart) / rate : 0.0;
  ReportWord(SpokenWord{static_cast<int32_t>(start), static_cast<int32_t>(end - start), seconds});
}

// ---- SAPI's events, on the user-interface thread ----

// Frees what an event's lParam may own, as SAPI's own helper does.
void ClearEvent(SPEVENT& event) {
  if (event.elParamType == SPET_LPARAM_IS_OBJECT || event.elParamType == SPET_LPARAM_IS_TOKEN)
    reinterpret_cast<IUnknown*>(event.lParam)->Release();
  else if (event.elParamType == SPET_LPARAM_IS_POINTER || event.elParamType == SPET_LPARAM_IS_STRING)
    CoTaskMemFree(reinterpret_cast<void*>(event.lParam));
  event = SPEVENT{};
}

void HandleEvent(const SPEVENT& event) {
  auto found = voice.readings.find(event.ulStreamNum);
  if (found == voice.readings.end()) return;  // an announcement, or speech that was stopped
  if (event.eEventId == SPEI_START_INPUT_STREAM) {
    found->second.audioStart = event.ullAudioStreamOffset;
  } else if (event.eEventId == SPEI_WORD_BOUNDARY) {
    ReportWordOf(found->second, event);
  } else if (event.eEventId == SPEI_END_INPUT_STREAM) {
    voice.readings.erase(found);
    ReportEnd();
  }
}

void __stdcall OnSapiEvents(WPARAM, LPARAM) {
  SPEVENT event{};
  while (voice.sapi && voice.sapi->GetEvents(1, &event, nullptr) == S_OK) {
    HandleEvent(event);  // the listener may stop or speak again: nothing here is held across it
    ClearEvent(event);
  }
}

// ---- the voice object ----

ISpVoice* CreateSapiVoice() {
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(com) && com != RPC_E_CHANGED_MODE) return nullptr;
  CLSID voiceClass;
  ISpVoice* sapi = nullptr;
  if (FAILED(CLSIDFromProgID(L"SAPI.SpVoice", &voiceClass)) ||
      FAILED(CoCreateInstance(voiceClass, nullptr, CLSCTX_ALL, IID_ISpVoice, reinterpret_cast<void**>(&sapi))))
    return nullptr;
  // Without its events a reading would never be seen to end: such a voice is no voice.
  if (FAILED(sapi->SetInterest(kInterest, kInterest)) || FAILED(sapi->SetNotifyCallbackFunction(OnSapiEvents, 0, 0))) {
    sapi->Release();
    return nullptr;
  }
  return sapi;
}

Voice& StartedVoice() {
  if (!voice.started) {
    voice.started = true;
    voice.sapi = CreateSapiVoice();
  }
  return voice;
}

// Drops all queued and sounding speech; nothing of it reports any more.
void Purge() {
  ++voice.generation;
  voice.readings.clear();
  if (voice.sapi) voice.sapi->Speak(L"", SPF_PURGEBEFORESPEAK | kPlainText, nullptr);
}

// Calls `visit` with each installed voice token until it returns true.
template <typename Visit>
void ForEachVoiceToken(Visit visit) {
  IEnumSpObjectTokens* tokens = nullptr;
  if (FAILED(SpEnumTokens(SPCAT_VOICES, nullptr, nullptr, &tokens))) return;
  ISpObjectToken* token = nullptr;
  ULONG fetched = 0;
  bool done = false;
  while (!done && tokens->Next(1, &token, &fetched) == S_OK && fetched == 1) {
    done = visit(token);
    token->Release();
  }
  tokens->Release();
}

// A token's description in the user's language (its default one otherwise); empty when unreadable.
std::string Description(ISpObjectToken* token) {
  WCHAR* text = nullptr;
  std::string description;
  if (SpGetDescription(token, &text) == S_OK && text) description = WideToUtf8(text, wcslen(text));
  CoTaskMemFree(text);
  return description;
}

std::string TokenId(ISpObjectToken* token) {
  WCHAR* id = nullptr;
  std::string utf8;
  if (SUCCEEDED(token->GetId(&id)) && id) utf8 = WideToUtf8(id, wcslen(id));
  CoTaskMemFree(id);
  return utf8;
}

// A token's attribute ("Gender", "Language"), as the voice's installer wrote it; "" when absent.
std::string Attribute(ISpObjectToken* token, const wchar_t* name) {
  ISpDataKey* attributes = nullptr;
  std::string value;
  if (FAILED(token->OpenKey(L"Attributes", &attributes)) || !attributes) return value;
  WCHAR* text = nullptr;
  if (SUCCEEDED(attributes->GetStringValue(name, &text)) && text) value = WideToUtf8(text, wcslen(text));
  CoTaskMemFree(text);
  attributes->Release();
  return value;
}

// The reader's own voices (US English, male or female, by their attributes) come first.
bool IsReaderVoice(const InstalledVoice& installed) {
  std::vector<InstalledVoice> one = {installed};
  return ChooseReaderVoice(true, one) == 0 || ChooseReaderVoice(false, one) == 0;
}

}  // namespace

void SetSpeechListener(SpeechListener newListener) {
  StartedVoice();
  listener = std::move(newListener);
}

void SpeechSpeak(const std::string& text, SpeakMode mode) {
  Voice& v = StartedVoice();
  std::wstring wide = Utf8ToWide(text);
  if (mode == SpeakMode::Announcement) {
    Purge();
    if (v.sapi && !wide.empty()) v.sapi->Speak(wide.c_str(), SPF_PURGEBEFORESPEAK | kPlainText, nullptr);
    return;
  }
  ULONG stream = 0;
  if (wide.empty() || !v.sapi || FAILED(v.sapi->Speak(wide.c_str(), SPF_ASYNC | kPlainText, &stream)))
    return PostEnd();
  v.readings[stream] = Reading{text, ByteOfEachUnit(text)};
}

void SpeechStop() {
  StartedVoice();
  Purge();
  PostEnd();
}

void SpeechSetRate(int rate) {
  Voice& v = StartedVoice();
  v.rate = std::clamp(rate, -10, 10);
  if (v.sapi) v.sapi->SetRate(v.rate);
}

int SpeechRate() { return StartedVoice().rate; }

std::string SpeechVoiceName() { return StartedVoice().tokenId; }

std::vector<InstalledVoice> InstalledVoices() {
  std::vector<InstalledVoice> installed;
  if (!StartedVoice().sapi) return installed;
  ForEachVoiceToken([&](ISpObjectToken* token) {
    std::string description = Description(token);
    if (!description.empty())
      installed.push_back({description, TokenId(token), Attribute(token, L"Gender"), Attribute(token, L"Language")});
    return false;
  });
  std::stable_partition(installed.begin(), installed.end(), IsReaderVoice);
  return installed;
}

bool SpeechSetVoice(const std::string& engineName) {
  Voice& v = StartedVoice();
  if (!v.sapi || engineName.empty()) return false;
  bool chosen = false;
  ForEachVoiceToken([&](ISpObjectToken* token) {
    if (TokenId(token) != engineName) return false;
    chosen = SUCCEEDED(v.sapi->SetVoice(token));
    return true;
  });
  if (!chosen) return false;
  v.tokenId = engineName;
  v.audioBytesPerSecond = 0;  // another voice may speak in another format
  return true;
}

}  // namespace vt
