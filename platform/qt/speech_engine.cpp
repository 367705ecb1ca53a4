// The speech engine. espeak-ng runs in its synchronous mode on one worker thread (it is not
// thread-safe and starts once per process). Its samples go into a playback stream of our own on the
// sound server, one stream per reading, kept filled while synthesis runs at most about a second
// ahead of what is heard. Word events wait beside the audio and are released when the stream's
// playback clock (which includes the device's delay) reaches them; a released event is posted to
// the user-interface thread stamped with the generation it belongs to, and reaches the listener
// only if no stop has started a new generation since. A stop (or an announcement) starts a new
// generation: queued speech is dropped at once, the stream is flushed, and the worker abandons the
// old reading on its next step.
//
// State: one Engine, created on first use and kept for the life of the process. The user-interface
// side (speak, stop, settings) and the worker share it under `mutex`; the worker alone touches
// espeak and the stream's data. The listener belongs to the user-interface thread alone.
#include "platform/speech_engine.h"

#include <espeak-ng/speak_lib.h>
#include <pulse/pulseaudio.h>

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/files.h"
#include "platform/testing.h"

namespace vt {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDefaultVoice = "en-us";
constexpr const char* kMaleVoice = "en-us+m3";    // about 105 Hz
constexpr const char* kFemaleVoice = "en-us+f3";  // about 206 Hz
constexpr const char* kUsEnglish = "409";          // the reader's voices' language id
constexpr double kLookaheadSeconds = 1.0;      // synthesis runs at most this far ahead of the stream
constexpr double kServerBufferSeconds = 0.08;  // what the server holds ahead of the device
constexpr int kPumpIntervalMs = 4;             // how often the worker feeds the stream and the clock
constexpr double kStallSeconds = 10.0;         // a stream whose clock stands this long has failed
// The library asks the server for the stream's timing at least every 1.5 s; an answer older than
// this means the server has stopped answering (frozen, or its machine overloaded), and the clock
// the library goes on extrapolating from it no longer tells what is heard.
constexpr double kSilentServerSeconds = 2.5;
// A server that has not answered for this long has failed; counted from its last answer, up to
// 1.5 s before it froze, so that the reading still ends within kStallSeconds of the freeze.
constexpr double kUnansweredSeconds = kStallSeconds - 2.0;
constexpr int kMaxPaddingSeconds = 12;         // silence behind a text, more than any device delay

struct Job {
  std::string text;
  uint64_t number;  // jobs are numbered in the order spoken
  uint64_t generation;
  bool reports;  // its words and its end reach the listener (a reading, not an announcement)
};

// A language voice of the engine, or a variant such as "m3".
struct EngineVoice {
  std::string name;        // "English (America)", "male3"
  std::string identifier;  // "gmw/en-US", "!v/m3"
  std::string language;    // "en-us"; empty for variants
};

// A word waiting for the playback clock.
struct PendingWord {
  int32_t pos, len;
  int64_t sample;
};

struct Engine {
  std::mutex mutex;
  std::condition_variable wake;      // the worker: a job arrived
  std::condition_variable finished;  // an announcement: a job has ended
  std::condition_variable started;   // anyone: the engine has started
  std::deque<Job> jobs;
  uint64_t generation = 0;
  uint64_t lastJob = 0;
  uint64_t lastFinished = 0;
  bool busy = false;  // the worker is on a job
  int rate = 0;
  std::string voice = kDefaultVoice;
  pa_stream* stream = nullptr;  // the sounding stream, for a stop to flush

  bool ready = false;      // the start-up has run
  bool available = false;  // espeak started
  int sampleRate = 22050;
  std::vector<EngineVoice> voices, variants;
};

Engine& TheEngine() {
  static Engine* engine = new Engine;  // never destroyed: the worker may outlive static destruction
  return *engine;
}

// ---- the sound server connection (worker thread) ----

pa_threaded_mainloop* soundLoop = nullptr;
pa_context* soundContext = nullptr;

void DropContext() {
  if (!soundContext) return;
  pa_threaded_mainloop_lock(soundLoop);
  pa_context_disconnect(soundContext);
  pa_context_unref(soundContext);
  soundContext = nullptr;
  pa_threaded_mainloop_unlock(soundLoop);
}

// Waits, without holding the loop's lock, until `done` (checked under the lock) or a deadline.
template <typename Done>
bool WaitLocked(Done done, double seconds) {
  auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    pa_threaded_mainloop_lock(soundLoop);
    int state = done();
    pa_threaded_mainloop_unlock(soundLoop);
    if (state != 0) return state > 0;
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
}

// Connects to the sound server unless connected; a server that went away is tried again.
bool EnsureSoundServer() {
  if (!soundLoop) {
    soundLoop = pa_threaded_mainloop_new();
    if (!soundLoop || pa_threaded_mainloop_start(soundLoop) < 0) {
      soundLoop = nullptr;
      return false;
    }
  }
  if (soundContext) {
    pa_threaded_mainloop_lock(soundLoop);
    bool ok = pa_context_get_state(soundContext) == PA_CONTEXT_READY;
    pa_threaded_mainloop_unlock(soundLoop);
    if (ok) return true;
    DropContext();
  }
  pa_threaded_mainloop_lock(soundLoop);
  soundContext = pa_context_new(pa_threaded_mainloop_get_api(soundLoop), "Vellumtide");
  bool started = soundContext && pa_context_connect(soundContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
  pa_threaded_mainloop_unlock(soundLoop);
  if (!started) {
    DropContext();
    return false;
  }
  bool ready = WaitLocked(
      [] {
        pa_context_state_t s = pa_context_get_state(soundContext);
        return s == PA_CONTEXT_READY ? 1 : PA_CONTEXT_IS_GOOD(s) ? 0 : -1;
      },
      3.0);
  if (!ready) DropContext();
  return ready;
}

pa_stream* OpenStream(int sampleRate) {
  pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<uint32_t>(sampleRate), 1};
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(kServerBufferSeconds * sampleRate) * 2;
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(-1);
  attr.fragsize = static_cast<uint32_t>(-1);
  pa_threaded_mainloop_lock(soundLoop);
  pa_stream* stream = pa_stream_new(soundContext, "Reading aloud", &format, nullptr);
  int flags = PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY;
  bool started = stream && pa_stream_connect_playback(stream, nullptr, &attr, static_cast<pa_stream_flags_t>(flags),
                                                      nullptr, nullptr) >= 0;
  pa_threaded_mainloop_unlock(soundLoop);
  bool ready = started && WaitLocked(
                              [stream] {
                                pa_stream_state_t s = pa_stream_get_state(stream);
                                return s == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(s) ? 0 : -1;
                              },
                              3.0);
  if (!ready && stream) {
    pa_threaded_mainloop_lock(soundLoop);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    pa_threaded_mainloop_unlock(soundLoop);
    return nullptr;
  }
  return stream;
}

void CloseStream(pa_stream* stream) {
  if (!stream) return;
  pa_threaded_mainloop_lock(soundLoop);
  pa_stream_disconnect(stream);
  pa_stream_unref(stream);
  pa_threaded_mainloop_unlock(soundLoop);
}

// ---- reporting (worker thread to user-interface thread) ----

SpeechListener listener;  // user-interface thread only

// What a report tells the listener: a word, the end of a reading, or that its sound broke off.
enum class ReportKind { Word, End, Lost };

// Runs on the user-interface thread: the report reaches the listener unless a stop has come in between.
void Deliver(uint64_t generation, ReportKind kind, const SpokenWord& word) {
  {
    Engine& e = TheEngine();
    std::lock_guard<std::mutex> lock(e.mutex);
    if (generation != e.generation) return;
  }
  SpeechListener current = listener;  // the listener may replace itself
  if (kind == ReportKind::Word && current.word) current.word(word);
  if (kind == ReportKind::End && current.ended) current.ended();
  if (kind == ReportKind::Lost && current.lost) current.lost();
}

// Posts a report of `generation` to the user-interface thread. Caller holds the mutex, so reports
// are posted in the order their generations are decided.
void PostLocked(uint64_t generation, ReportKind kind, SpokenWord word = {}) {
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, [generation, kind, word] { Deliver(generation, kind, word); }, Qt::QueuedConnection);
}

// Reports an event of the job if the job reports and has not been stopped. Caller holds the mutex.
void ReportLocked(Engine& e, const Job& job, ReportKind kind, SpokenWord word = {}) {
  if (job.reports && job.generation == e.generation) PostLocked(job.generation, kind, word);
}

// ---- one reading on the worker ----

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsPunct(char c) { return std::ispunct(static_cast<unsigned char>(c)) != 0; }

// The bytes of the UTF-8 character that starts at text[i] ...
size_t CharacterLength(const std::string& text, size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  return std::min(length, text.size() - i);
}

// ... and whether it is punctuation, such as a curly quote or a dash (a word's mark leaves it out).
bool IsPunctuationAt(const std::string& text, size_t i, size_t length) {
  if (length == 1) return IsPunct(text[i]);
  QString character = QString::fromUtf8(text.data() + i, static_cast<qsizetype>(length));
  return !character.isEmpty() && (character.at(0).isPunct() || character.at(0).isSymbol());
}

// Narrows [start, end) past the punctuation at either end.
void StripPunctuation(const std::string& text, size_t& start, size_t& end) {
  while (start < end && IsPunctuationAt(text, start, CharacterLength(text, start))) start += CharacterLength(text, start);
  while (end > start) {
    size_t last = end - 1;
    while (last > start && (static_cast<unsigned char>(text[last]) & 0xC0) == 0x80) --last;
    if (!IsPunctuationAt(text, last, end - last)) break;
    end = last;
  }
}
bool IsAlnumByte(char c) { return std::isalnum(static_cast<unsigned char>(c)) || (static_cast<unsigned char>(c) & 0x80); }

// The word of the token at or after `pos`: white-space-delimited, outer punctuation stripped.
bool TokenAt(const std::string& text, size_t pos, size_t& start, size_t& end) {
  size_t n = text.size();
  while (pos < n && IsSpace(text[pos])) ++pos;
  if (pos >= n) return false;
  start = pos;
  while (start > 0 && !IsSpace(text[start - 1])) --start;
  end = pos;
  while (end < n && !IsSpace(text[end])) ++end;
  size_t s = start, t = end;
  StripPunctuation(text, s, t);
  if (s < t) start = s, end = t;
  return true;
}

bool HasAlnum(const std::string& text, size_t start, size_t end) {
  for (size_t i = start; i < end; ++i)
    if (IsAlnumByte(text[i])) return true;
  return false;
}

// What espeak has been given (worker thread only).
std::string appliedVoice;
int appliedRate = 1000;

void ApplyRate(int rate) {
  if (rate == appliedRate) return;
  espeak_SetParameter(espeakRATE, EngineWordsPerMinute(rate), 0);
  espeak_SetParameter(espeakWORDGAP, EngineWordGap(rate), 0);
  appliedRate = rate;
}

void ApplyVoiceAndRate(const std::string& voice, int rate) {
  if (voice != appliedVoice) {
    if (espeak_SetVoiceByName(voice.c_str()) != EE_OK) espeak_SetVoiceByName(kDefaultVoice);
    appliedVoice = voice;
    appliedRate = 1000;  // a new voice brings its own speed
  }
  ApplyRate(rate);
}

class Reading {
 public:
  Reading(Engine& engine, Job reading, pa_stream* playback) : e(engine), job(std::move(reading)), stream(playback) {
    BuildCodePointTable();
  }

  // espeak's callback: takes the samples and the word events of one block, then feeds the stream
  // until synthesis is no more than the look-ahead in front of it. Returns false to abandon.
  bool Take(const short* samples, int count, const espeak_EVENT* events) {
    for (; events && events->type != espeakEVENT_LIST_TERMINATED; ++events)
      if (events->type == espeakEVENT_WORD) AddWord(events->text_position, events->sample);
    if (samples && count > 0) audio.insert(audio.end(), samples, samples + count);
    synthesised += std::max(count, 0);
    for (;;) {
      if (!Pump() || Stalled()) return false;
      if (static_cast<double>(audio.size() - written) / e.sampleRate <= kLookaheadSeconds) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(kPumpIntervalMs));
    }
    ApplyRate(wantedRate);  // a new rate takes effect at the engine's next clause
    return true;
  }

  // Plays out what has been synthesised, then releases the end of the stream. When the stream
  // fails or its clock stands still, the words not yet heard are dropped and the end and the loss
  // come at once; a stopped reading releases nothing.
  void Finish(bool synthesisComplete) {
    if (synthesisComplete && !lost) AddTrailingWords();
    int64_t padding = 0;
    while (Pump() && !Stalled()) {
      if (played >= synthesised && nextWord >= words.size()) return ReleaseEnd();
      // Silence behind the text keeps the stream running until its clock, which lags by the
      // device's delay, has passed the last sample.
      if (written >= audio.size() && padding < kMaxPaddingSeconds * e.sampleRate) {
        audio.insert(audio.end(), e.sampleRate / 20, 0);
        padding += e.sampleRate / 20;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(kPumpIntervalMs));
    }
    if (lost) ReleaseEndOfLostReading();
  }

  // A reading that cannot sound ends at once.
  static void EndAtOnce(Engine& e, const Job& job) {
    std::lock_guard<std::mutex> lock(e.mutex);
    ReportLocked(e, job, ReportKind::End);
  }

  // True once the stream has failed or its clock has stood still too long: the sound server went away.
  bool Lost() const { return lost; }

 private:
  void BuildCodePointTable() {
    bool ascii = std::all_of(job.text.begin(), job.text.end(), [](char c) { return !(c & 0x80); });
    if (ascii) return;
    for (size_t i = 0; i < job.text.size(); ++i)
      if ((static_cast<unsigned char>(job.text[i]) & 0xC0) != 0x80) codePointByte.push_back(static_cast<int32_t>(i));
  }

  // espeak counts code points from 1.
  size_t ByteOfPosition(int textPosition) const {
    if (textPosition < 1) return 0;
    size_t index = static_cast<size_t>(textPosition - 1);
    if (codePointByte.empty()) return std::min(index, job.text.size());
    return index < codePointByte.size() ? codePointByte[index] : job.text.size();
  }

  // Words the engine passed over silently ("the" in "of the") get a time between their neighbours:
  // every token with a letter or digit from the end of the last word up to `upTo`.
  void AddSkippedWords(size_t upTo, int64_t sample) {
    const std::string& text = job.text;
    size_t pos = wordsEnd;
    for (;;) {
      while (pos < upTo && IsSpace(text[pos])) ++pos;
      if (pos >= upTo) return;
      size_t s = pos;
      while (pos < text.size() && !IsSpace(text[pos])) ++pos;
      if (pos > upTo) return;  // the token of the word at upTo itself
      size_t t = pos;
      StripPunctuation(text, s, t);
      if (!HasAlnum(text, s, t)) continue;
      double share = upTo > lastStart ? static_cast<double>(s - lastStart) / static_cast<double>(upTo - lastStart) : 0;
      int64_t at = lastSample + static_cast<int64_t>(share * static_cast<double>(sample - lastSample));
      words.push_back(PendingWord{static_cast<int32_t>(s), static_cast<int32_t>(t - s), at});
    }
  }

  void AddWord(int textPosition, int sample) {
    size_t start, end;
    if (!TokenAt(job.text, ByteOfPosition(textPosition), start, end)) return;
    if (start < wordsEnd) return;  // a second event inside a word already marked
    AddSkippedWords(start, sample);
    words.push_back(PendingWord{static_cast<int32_t>(start), static_cast<int32_t>(end - start), sample});
    wordsEnd = end;
    lastStart = start;
    lastSample = sample;
  }

  void AddTrailingWords() {
    if (wordsEnd == 0 && words.empty()) return;  // nothing was spoken: no words to guess
    AddSkippedWords(job.text.size(), synthesised);
  }

  // Feeds the stream, reads its clock and releases the events it has reached. False when the
  // reading has been stopped or the stream has failed.
  bool Pump() {
    bool alive = true;
    {
      std::lock_guard<std::mutex> lock(e.mutex);
      if (job.generation != e.generation) return false;
      wantedRate = e.rate;
      pa_threaded_mainloop_lock(soundLoop);
      if (pa_stream_get_state(stream) != PA_STREAM_READY) {
        alive = false;
        lost = true;
      } else {
        size_t room = pa_stream_writable_size(stream) / 2;
        size_t n = std::min(room, audio.size() - written);
        if (n > 0 && pa_stream_write(stream, audio.data() + written, n * 2, nullptr, 0, PA_SEEK_RELATIVE) == 0)
          written += n;
        pa_usec_t usec = 0;
        if (ServerAnswers() && pa_stream_get_time(stream, &usec) == 0)
          played = std::max<int64_t>(played, static_cast<int64_t>(usec * static_cast<uint64_t>(e.sampleRate) / 1000000));
        NoteProgress();
      }
      pa_threaded_mainloop_unlock(soundLoop);
      for (; nextWord < words.size() && words[nextWord].sample <= played; ++nextWord) {
        const PendingWord& w = words[nextWord];
        ReportLocked(e, job, ReportKind::Word, SpokenWord{w.pos, w.len, static_cast<double>(w.sample) / e.sampleRate});
      }
    }
    if (written > static_cast<size_t>(e.sampleRate) * 4) {
      audio.erase(audio.begin(), audio.begin() + static_cast<std::ptrdiff_t>(written));  // keep a long reading small
      written = 0;
    }
    return alive;
  }

  // True while the server's last timing answer is recent. Caller holds the sound loop's lock.
  bool ServerAnswers() {
    const pa_timing_info* timing = pa_stream_get_timing_info(stream);
    if (timing && (timing->timestamp.tv_sec != lastAnswer.tv_sec || timing->timestamp.tv_usec != lastAnswer.tv_usec)) {
      lastAnswer = timing->timestamp;
      lastAnswerSeen = Clock::now();
    }
    return std::chrono::duration<double>(Clock::now() - lastAnswerSeen).count() < kSilentServerSeconds;
  }

  void NoteProgress() {
    if (played == lastPlayed) return;
    lastPlayed = played;
    lastProgress = Clock::now();
  }

  // True (and the reading lost) when the stream's clock has not moved for kStallSeconds, or the
  // server has stopped answering.
  bool Stalled() {
    auto since = [](Clock::time_point then) { return std::chrono::duration<double>(Clock::now() - then).count(); };
    if (since(lastProgress) > kStallSeconds || since(lastAnswerSeen) > kUnansweredSeconds) lost = true;
    return lost;
  }

  void ReleaseEnd() {
    std::lock_guard<std::mutex> lock(e.mutex);
    ReportLocked(e, job, ReportKind::End);
  }

  // The sound broke off: the words not yet heard are dropped (marking them all at once would flood
  // the window), and the end comes at once, followed by the loss.
  void ReleaseEndOfLostReading() {
    std::lock_guard<std::mutex> lock(e.mutex);
    ReportLocked(e, job, ReportKind::End);
    ReportLocked(e, job, ReportKind::Lost);
  }

  Engine& e;
  Job job;
  pa_stream* stream;
  std::vector<int32_t> codePointByte;  // byte of each code point, for text that is not ASCII
  std::vector<short> audio;             // samples not yet written, from index `written` on
  size_t written = 0;
  int64_t synthesised = 0;
  int wantedRate = 0;
  int64_t played = 0;  // samples heard, by the stream's clock
  std::vector<PendingWord> words;
  size_t nextWord = 0;
  size_t wordsEnd = 0;  // the end of the last word that had an event
  size_t lastStart = 0;
  int64_t lastSample = 0;
  bool lost = false;  // the stream failed or stalled
  int64_t lastPlayed = -1;
  Clock::time_point lastProgress = Clock::now();  // when the stream's clock last moved
  timeval lastAnswer{};                            // the server's time of its last timing answer
  Clock::time_point lastAnswerSeen = Clock::now();  // when that answer arrived here
};

Reading* currentReading = nullptr;  // the worker's reading while espeak synthesises it

int SynthCallback(short* samples, int count, espeak_EVENT* events) {
  if (!currentReading) return 0;
  return currentReading->Take(samples, count, events) ? 0 : 1;
}

// ---- the worker ----

std::vector<EngineVoice> ReadVoiceList(const espeak_VOICE** list) {
  std::vector<EngineVoice> out;
  for (int i = 0; list && list[i]; ++i) {
    const espeak_VOICE* v = list[i];
    std::string language = v->languages && v->languages[0] ? std::string(v->languages + 1) : std::string();
    out.push_back(EngineVoice{v->name ? v->name : "", v->identifier ? v->identifier : "", language});
  }
  return out;
}

void StartEspeak(Engine& e) {
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 20, nullptr, espeakINITIALIZE_DONT_EXIT);
  std::lock_guard<std::mutex> lock(e.mutex);
  if (rate > 0) {
    espeak_SetSynthCallback(SynthCallback);
    e.available = true;
    e.sampleRate = rate;
    e.voices = ReadVoiceList(espeak_ListVoices(nullptr));
    espeak_VOICE variantSpec{};
    variantSpec.languages = "variant";
    e.variants = ReadVoiceList(espeak_ListVoices(&variantSpec));
    for (EngineVoice& v : e.variants) v.language.clear();
    ApplyVoiceAndRate(e.voice, e.rate);
  }
  e.ready = true;
  e.started.notify_all();
}

void RunJob(Engine& e, const Job& job, const std::string& voice) {
  if (job.text.empty() || !e.available || !EnsureSoundServer()) return Reading::EndAtOnce(e, job);
  pa_stream* stream = OpenStream(e.sampleRate);
  if (!stream) return Reading::EndAtOnce(e, job);
  {
    std::lock_guard<std::mutex> lock(e.mutex);
    if (job.generation != e.generation) {
      CloseStream(stream);
      return;
    }
    e.stream = stream;
  }
  Reading reading(e, job, stream);
  int rate;
  {
    std::lock_guard<std::mutex> lock(e.mutex);
    rate = e.rate;
  }
  ApplyVoiceAndRate(voice, rate);
  currentReading = &reading;
  espeak_ERROR result = espeak_Synth(job.text.c_str(), job.text.size() + 1, 0, POS_CHARACTER, 0,
                                     espeakCHARS_UTF8, nullptr, nullptr);
  currentReading = nullptr;
  // espeak reports success for a synthesis the callback abandoned: only a reading whose stream still
  // plays has really been synthesised to its end.
  bool complete = result == EE_OK && !reading.Lost();
  {
    std::lock_guard<std::mutex> lock(e.mutex);
    complete = complete && job.generation == e.generation;
  }
  reading.Finish(complete);
  {
    std::lock_guard<std::mutex> lock(e.mutex);
    e.stream = nullptr;
  }
  CloseStream(stream);
}

void WorkerMain() {
  Engine& e = TheEngine();
  StartEspeak(e);
  for (;;) {
    Job job;
    std::string voice;
    {
      std::unique_lock<std::mutex> lock(e.mutex);
      e.wake.wait(lock, [&] { return !e.jobs.empty(); });
      job = std::move(e.jobs.front());
      e.jobs.pop_front();
      e.busy = true;
      voice = e.voice;
    }
    RunJob(e, job, voice);
    {
      std::lock_guard<std::mutex> lock(e.mutex);
      e.lastFinished = std::max(e.lastFinished, job.number);
      e.busy = false;
    }
    e.finished.notify_all();
  }
}

// Starts the worker once per process.
Engine& StartedEngine() {
  static std::once_flag once;
  std::call_once(once, [] { std::thread(WorkerMain).detach(); });
  return TheEngine();
}

Engine& ReadyEngine() {
  Engine& e = StartedEngine();
  std::unique_lock<std::mutex> lock(e.mutex);
  e.started.wait(lock, [&] { return e.ready; });
  return e;
}

// Drops all queued and sounding speech. Caller holds the mutex.
void PurgeLocked(Engine& e) {
  ++e.generation;
  e.jobs.clear();
  if (e.stream && soundLoop) {
    pa_threaded_mainloop_lock(soundLoop);
    if (pa_operation* op = pa_stream_flush(e.stream, nullptr, nullptr)) pa_operation_unref(op);
    pa_threaded_mainloop_unlock(soundLoop);
  }
}

std::string LastPart(const std::string& identifier) {
  size_t slash = identifier.rfind('/');
  return slash == std::string::npos ? identifier : identifier.substr(slash + 1);
}


// True for a language voice the engine knows ("en-us", "gmw/en-US"), optionally followed by "+"
// and a known variant ("en-us+f3"); the engine itself would take "en-us+bogus" silently.
bool IsEngineVoiceName(const std::string& name) {
  size_t plus = name.find('+');
  std::string base = LowerCase(name.substr(0, plus));
  std::string variant = plus == std::string::npos ? std::string() : LowerCase(name.substr(plus + 1));
  if (base.empty() || (plus != std::string::npos && variant.empty())) return false;
  Engine& e = ReadyEngine();
  std::lock_guard<std::mutex> lock(e.mutex);
  bool baseKnown = std::any_of(e.voices.begin(), e.voices.end(), [&](const EngineVoice& v) {
    return base == LowerCase(v.identifier) || base == LowerCase(LastPart(v.identifier)) || base == v.language;
  });
  bool variantKnown = variant.empty() || std::any_of(e.variants.begin(), e.variants.end(), [&](const EngineVoice& v) {
                        return variant == LowerCase(LastPart(v.identifier));
                      });
  return baseKnown && variantKnown;
}

}  // namespace

void SetSpeechListener(SpeechListener newListener) {
  StartedEngine();
  listener = std::move(newListener);
}

void SpeechSpeak(const std::string& text, SpeakMode mode) {
  Engine& e = StartedEngine();
  std::unique_lock<std::mutex> lock(e.mutex);
  bool announcement = mode == SpeakMode::Announcement;
  if (announcement) PurgeLocked(e);
  Job job{text, ++e.lastJob, e.generation, !announcement};
  if (text.empty() && e.jobs.empty() && (announcement || !e.busy)) {
    // Nothing is ahead of it (a stopped reading the worker is still leaving counts for nothing):
    // the empty text ends here.
    e.lastFinished = std::max(e.lastFinished, job.number);
    ReportLocked(e, job, ReportKind::End);
    return;
  }
  uint64_t number = job.number, generation = e.generation;
  e.jobs.push_back(std::move(job));
  e.wake.notify_one();
  if (announcement) e.finished.wait(lock, [&] { return e.lastFinished >= number || e.generation != generation; });
}

void SpeechStop() {
  Engine& e = StartedEngine();
  std::lock_guard<std::mutex> lock(e.mutex);
  PurgeLocked(e);
  PostLocked(e.generation, ReportKind::End);
}

void SpeechSetRate(int rate) {
  Engine& e = StartedEngine();
  std::lock_guard<std::mutex> lock(e.mutex);
  e.rate = std::clamp(rate, -10, 10);
}

int SpeechRate() {
  Engine& e = StartedEngine();
  std::lock_guard<std::mutex> lock(e.mutex);
  return e.rate;
}

std::vector<InstalledVoice> InstalledVoices() {
  std::vector<InstalledVoice> installed;
  if (IsEngineVoiceName(kMaleVoice)) installed.push_back({MaleVoiceName, kMaleVoice, "Male", kUsEnglish});
  if (IsEngineVoiceName(kFemaleVoice)) installed.push_back({FemaleVoiceName, kFemaleVoice, "Female", kUsEnglish});
  Engine& e = ReadyEngine();
  std::lock_guard<std::mutex> lock(e.mutex);
  for (const EngineVoice& voice : e.voices) installed.push_back({voice.name, voice.identifier, "", ""});
  return installed;
}

bool SpeechSetVoice(const std::string& engineName) {
  if (!IsEngineVoiceName(engineName)) return false;
  Engine& e = ReadyEngine();
  std::lock_guard<std::mutex> lock(e.mutex);
  e.voice = engineName;
  return true;
}

std::string SpeechVoiceName() {
  Engine& e = StartedEngine();
  std::lock_guard<std::mutex> lock(e.mutex);
  return e.voice;
}

int EngineWordsPerMinute(int rate) {
  rate = std::clamp(rate, -10, 10);
  if (rate <= -8) return espeakRATE_MINIMUM;
  return static_cast<int>(std::lround(espeakRATE_NORMAL * std::pow(3.0, rate / 10.0)));
}

int EngineWordGap(int rate) {
  rate = std::clamp(rate, -10, 10);
  return rate == -8 ? 2 : rate == -9 ? 4 : rate == -10 ? 7 : 0;
}

}  // namespace vt
