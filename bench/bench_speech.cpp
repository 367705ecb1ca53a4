// Reading aloud, measured at the sound server: a private PulseAudio server with one null sink is
// started, and its monitor is recorded in-process with a time for every sample. Figures: the time
// from Play to the first sample of speech coming back from the sink's monitor (an upper bound of
// its reaching the server); the lag of each word's mark in the
// pane behind the moment its audio is heard (median and 95th percentile of the absolute lag) over
// a 300-word passage at the slow, normal and fast rates, with the words left unmarked; how long
// Stop takes; and how soon a reading ends when its sound server freezes or goes away.
//
// A word's audio onset is the time the sink played the stream's first sample plus the word's
// offset in the stream (the engine reports it with each word); its mark is timed as the report
// reaches the pane. The passage begins with a word
// whose audio starts at the stream's first sample, so the first sound recorded is that sample.
#include <pulse/simple.h>

#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <signal.h>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/testing.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "core/ids.h"
#include "bench/bench.h"
#include "bench/sound_server.h"
#include "platform/pane.h"
#include "platform/speech_engine.h"
#include "reader/reading_pane.h"
#include "core/settings_file.h"
#include "speech/reading_aloud.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 22050;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// ---- the monitor recording, each sample with the time it was played ----

class Monitor {
 public:
  bool Start() {
    pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 1};
    pa_buffer_attr attr{static_cast<uint32_t>(-1), 0, 0, 0, static_cast<uint32_t>(kRate / 200 * 2)};
    int error = 0;
    stream = pa_simple_new(nullptr, "bench", PA_STREAM_RECORD, "bench_null.monitor", "monitor", &format, nullptr, &attr,
                           &error);
    if (!stream) return false;
    reader = std::thread([this] { Run(); });
    return true;
  }
  void Stop() {
    running = false;
    if (reader.joinable()) reader.join();
    if (stream) pa_simple_free(stream);
  }
  size_t Count() {
    std::lock_guard<std::mutex> lock(mutex);
    return samples.size();
  }
  // The first sample that arrived after `after` with a magnitude above `threshold`: when it was
  // played by the sink's clock, and when it reached this recorder.
  bool FirstSound(Clock::time_point after, int threshold, Clock::time_point& played, Clock::time_point& arrived) {
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 0; i < samples.size(); ++i)
      if (arrivals[i] >= after && std::abs(samples[i]) > threshold) {
        played = times[i];
        arrived = arrivals[i];
        return true;
      }
    return false;
  }

  // Milliseconds from `after` to the arrival of the first sample that a tone sounding from the
  // first sound after `after` (`expected`, indexed from the tone's start) does not explain within
  // `tolerance`; -1 when there is none. The server may drop the first milliseconds of a stream
  // that starts (it had already played silence there), so the tone's phase is found by matching.
  double FirstUnexplained(Clock::time_point after, double (*expected)(size_t), size_t toneLength, int tolerance) {
    constexpr size_t kMatched = 32;
    std::lock_guard<std::mutex> lock(mutex);
    size_t first = 0;
    while (first < samples.size() && (arrivals[first] < after || samples[first] == 0)) ++first;
    if (first + kMatched >= samples.size()) return -1;
    size_t phase = 0;
    while (phase < toneLength && !Matches(first, phase, expected, kMatched)) ++phase;
    if (phase == toneLength) return Ms(after, arrivals[first]);  // no tone: the first sound
    for (size_t i = first; i < samples.size(); ++i)
      if (std::abs(samples[i] - expected(i - first + phase)) > tolerance) return Ms(after, arrivals[i]);
    return -1;
  }

 private:
  bool Matches(size_t at, size_t phase, double (*expected)(size_t), size_t count) const {
    for (size_t k = 0; k < count; ++k)
      if (std::abs(samples[at + k] - expected(phase + k)) > 60) return false;
    return true;
  }

  void Run() {
    int16_t block[kRate / 200];
    while (running) {
      int error = 0;
      if (pa_simple_read(stream, block, sizeof block, &error) < 0) break;
      pa_usec_t latency = pa_simple_get_latency(stream, &error);
      Clock::time_point now = Clock::now();
      const size_t n = std::size(block);
      std::lock_guard<std::mutex> lock(mutex);
      for (size_t i = 0; i < n; ++i) {
        auto age = std::chrono::microseconds(latency) +
                   std::chrono::microseconds(static_cast<int64_t>((n - 1 - i) * 1000000.0 / kRate));
        samples.push_back(block[i]);
        times.push_back(now - age);
        arrivals.push_back(now);
      }
    }
  }
  pa_simple* stream = nullptr;
  std::thread reader;
  std::atomic<bool> running{true};
  std::mutex mutex;
  std::vector<int16_t> samples;
  std::vector<Clock::time_point> times;     // by the sink's clock: the read time less the recorder's latency
  std::vector<Clock::time_point> arrivals;  // when the block holding the sample was read here
};

// ---- the reader ----

void RunEvents(double ms) {
  auto end = Clock::now() + std::chrono::microseconds(static_cast<int64_t>(ms * 1000));
  while (Clock::now() < end) {
    vt::ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void OpenReader(const std::string& text) {
  using namespace vt;
  ResetProgramState();
  sBeepOn = 0;
  UserBarDelay = 0;
  if (!IsWindow(MainWindow)) {
    MainWindow = CreateMainWidget(Rect{0, 0, 1200, 800}, MainWindowTitle(), MainWindowHandlers());
    InitialiseAndShow(MainWindow);
    ProcessPendingEvents();  // the start-up book is in before the bench's own text
  }
  InitSpeech();
  SetPaneWindowText(PaneWindow, text);
  PaneSetSelection(PaneWindow, 0, 0);
  RunEvents(50);
}

// 300 words: "It was" and the opening of Treasure Island's first chapter.
std::string Passage() {
  QFile file(":/resources/books/treasure-island.txt");
  std::string book;
  if (file.open(QIODevice::ReadOnly)) book = file.readAll().toStdString();
  size_t start = book.find("Squire Trelawney");
  std::istringstream words(start == std::string::npos ? book : book.substr(start));
  std::string passage = "It was", word;
  for (int count = 2; count < 300 && words >> word;) {
    bool plain = std::all_of(word.begin(), word.end(), [](char c) { return c > 32 && c < 127; });
    if (!plain) continue;
    passage += " " + word;
    ++count;
  }
  return passage;
}

int CountWords(const std::string& text) {
  std::istringstream in(text);
  std::string word;
  int count = 0;
  while (in >> word)
    if (std::any_of(word.begin(), word.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
      ++count;
  return count;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return NAN;
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
  return values[std::min(index, values.size() - 1)];
}

// One reading of the passage: the lag of every mark behind its word's onset.
void ReadPassage(Monitor& monitor, int rate, const std::string& passage, std::vector<bench::Row>& rows) {
  using namespace vt;
  OpenReader(passage);
  vRate = rate;
  SpeechSetRate(rate);
  UnderlineStart = UnderlineLength = 0;
  // Each word's report is timed as it marks the pane.
  std::vector<std::pair<Clock::time_point, double>> marks;
  SetSpeechListener({[&marks](const SpokenWord& word) {
                       MarkSpokenWord(word);
                       if (IsSpeaking) marks.emplace_back(Clock::now(), word.audioSeconds);
                     },
                     EndReading, nullptr});
  Clock::time_point play = Clock::now();
  SpeakFromCaret();
  auto deadline = play + std::chrono::minutes(5);
  while (IsSpeaking && Clock::now() < deadline) {
    ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  InitSpeech();
  Clock::time_point first, arrived;
  if (!monitor.FirstSound(play, 0, first, arrived)) return;
  std::vector<double> lags, absolute;
  for (auto& [when, seconds] : marks) {
    Clock::time_point onset = first + std::chrono::microseconds(static_cast<int64_t>(seconds * 1000000.0));
    double lag = Ms(onset, when);
    if (std::getenv("VT_BENCH_VERBOSE")) std::fprintf(stderr, "mark at %.3f s: lag %.1f ms\n", seconds, lag);
    lags.push_back(lag);
    absolute.push_back(std::abs(lag));
  }
  std::string label = "rate " + std::to_string(rate) + " (" + std::to_string(EngineWordsPerMinute(rate)) + " wpm)";
  rows.push_back({"first audio after Play, " + label, Ms(play, arrived), "ms", "<= 50"});
  rows.push_back({"word mark lag median, " + label, Percentile(lags, 0.5), "ms", ""});
  rows.push_back({"word mark lag min, " + label, Percentile(lags, 0.0001), "ms", ""});
  rows.push_back({"word mark lag max, " + label, Percentile(lags, 1.0), "ms", ""});
  rows.push_back({"word mark |lag| p95, " + label, Percentile(absolute, 0.95), "ms", "<= 30"});
  rows.push_back({"words not marked of " + std::to_string(CountWords(passage)) + ", " + label,
                  static_cast<double>(CountWords(passage)) - static_cast<double>(marks.size()), "words", "0"});
}

// Short plays: Play to first sound, and how long Stop takes.
void PlayAndStop(Monitor& monitor, std::vector<bench::Row>& rows) {
  using namespace vt;
  OpenReader("It was a dark and stormy night; the rain fell in torrents.");
  std::vector<double> firsts, stops;
  for (int i = 0; i < 9; ++i) {
    Clock::time_point play = Clock::now();
    SpeakFromCaret();
    Clock::time_point first, arrived;
    while (!monitor.FirstSound(play, 0, first, arrived) && Ms(play, Clock::now()) < 3000) RunEvents(1);
    firsts.push_back(Ms(play, arrived));
    if (std::getenv("VT_BENCH_VERBOSE")) std::fprintf(stderr, "first audio %.1f ms\n", firsts.back());
    RunEvents(300);
    Clock::time_point stop = Clock::now();
    StopSpeaking();
    stops.push_back(Ms(stop, Clock::now()));
    RunEvents(200);
  }
  rows.push_back({"first audio after Play, short text (median of 9)", Percentile(firsts, 0.5), "ms", "<= 50"});
  rows.push_back({"first audio after Play, short text (max of 9)", Percentile(firsts, 1.0), "ms", "<= 50"});
  rows.push_back({"Stop returns (median of 9)", Percentile(stops, 0.5), "ms", "a few ms"});
}

// The click's own waveform (250 Hz, 300 ms, 5 ms fades, at 0.4 of full scale), to take it out of
// the recording when looking for the first spoken sound behind it.
double ClickSample(size_t i) {
  const double count = kRate * 0.3, fade = kRate * 0.005;
  double edge = std::min({1.0, static_cast<double>(i) / fade, (count - static_cast<double>(i)) / fade});
  if (edge <= 0) return 0;
  return std::lround(0.4 * 32767 * edge * std::sin(2 * M_PI * 250 * static_cast<double>(i) / kRate));
}

// With the click on, as a first start writes the settings: a clicked command (Home) is timed from
// the key to its return to the event loop, and Play from the key to its first spoken sound, found
// in the recording as the first sample that the click's tone does not explain.
void ClickedCommands(Monitor& monitor, std::vector<bench::Row>& rows) {
  using namespace vt;
  OpenReader("It was a dark and stormy night; the rain fell in torrents.");
  sBeepOn = 1;
  std::vector<double> acted, spoken;
  for (int i = 0; i < 9; ++i) {
    Clock::time_point key = Clock::now();
    RunCommand(CmdHome);
    acted.push_back(Ms(key, Clock::now()));
    RunEvents(600);  // the tone ends
  }
  for (int i = 0; i < 9; ++i) {
    PaneSetSelection(PaneWindow, 0, 0);
    Clock::time_point key = Clock::now();
    RunCommand(CmdPlay);
    RunEvents(700);
    double first = monitor.FirstUnexplained(key, ClickSample, kRate * 3 / 10, 3000);
    if (std::getenv("VT_BENCH_VERBOSE")) std::fprintf(stderr, "first spoken sound %.1f ms\n", first);
    spoken.push_back(first < 0 ? NAN : first);
    RunCommand(CmdStop);
    RunEvents(600);
  }
  sBeepOn = 0;
  rows.push_back({"click on: a clicked command (Home) has acted", Percentile(acted, 0.5), "ms", "<= 20"});
  rows.push_back({"click on: first spoken sound after Play", Percentile(spoken, 0.5), "ms", "<= 150"});
}

// A long reading whose sound server is sent `signal` once the reading sounds: the time from the
// signal until the reading has ended (and said why).
double ReadingEndsAfter(int signal) {
  using namespace vt;
  std::string text;
  while (text.size() < 100000) text += "In the beginning God created the heaven and the earth.\r\n";
  OpenReader(text);
  SpeakFromCaret();
  RunEvents(1000);
  Clock::time_point sent = Clock::now();
  bench::SignalSoundServer(signal);
  while (IsSpeaking && Ms(sent, Clock::now()) < 30000) RunEvents(1);
  return IsSpeaking ? NAN : Ms(sent, Clock::now());
}

// A frozen server neither answers nor fails: the stream's stall limit gives it up. A server that
// is gone is noticed at once. Each case gets a fresh server, as a frozen one cannot be trusted.
void LostSoundServer(std::vector<bench::Row>& rows) {
  double frozen = ReadingEndsAfter(SIGSTOP);
  bench::SignalSoundServer(SIGCONT);
  bench::StopSoundServer();
  if (!bench::StartSoundServer()) return;
  double gone = ReadingEndsAfter(SIGKILL);
  rows.push_back({"reading ended after the sound server froze", frozen, "ms", "<= 10500"});
  rows.push_back({"reading ended after the sound server went away", gone, "ms", "< 1000"});
}

void RunSpeech(std::vector<bench::Row>& rows) {
  if (!bench::StartSoundServer()) {
    rows.push_back({"no private sound server could be started", NAN, "", ""});
    return;
  }
  Monitor monitor;
  if (monitor.Start()) {
    if (!std::getenv("VT_BENCH_CLICK_ONLY")) PlayAndStop(monitor, rows);
    ClickedCommands(monitor, rows);
    std::string passage = Passage();
    // VT_BENCH_SPEECH_RATES="3" (or "-3,0") reads the passage at those rates only.
    std::vector<int> rates = {-3, 0, 3};
    if (const char* chosen = std::getenv("VT_BENCH_SPEECH_RATES")) {
      rates.clear();
      std::istringstream list(chosen);
      std::string item;
      while (std::getline(list, item, ',')) rates.push_back(std::atoi(item.c_str()));
    }
    for (int rate : rates) ReadPassage(monitor, rate, passage, rows);
  }
  monitor.Stop();
  if (!std::getenv("VT_BENCH_CLICK_ONLY")) LostSoundServer(rows);
  bench::StopSoundServer();
}

static bench::Register registration("speech", RunSpeech);

}  // namespace
