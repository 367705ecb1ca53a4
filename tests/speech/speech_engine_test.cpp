// The speech engine over the real espeak-ng and a private sound server: the words it reports for a
// text, stopping, announcements, voices, rates, and what happens without a sound server.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing.h"
#include "platform/speech_engine.h"
#include "private_sound_server.h"
#include "reader_window.h"

namespace vt {
namespace {

using speechtest::RunFor;
using speechtest::RunUntil;

// The process's resident memory in kB.
long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

double Rms(const std::vector<int16_t>& samples) {
  double sum = 0;
  for (int16_t s : samples) sum += static_cast<double>(s) * s;
  return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

TEST(SpeechRate, MapsTheRateOntoWordsPerMinute) {
  const int rates[] = {-12, -10, -9, -8, -7, -3, 0, 3, 10, 14};
  const int wpm[] = {80, 80, 80, 80, 81, 126, 175, 243, 525, 525};
  const int gap[] = {7, 7, 4, 2, 0, 0, 0, 0, 0, 0};
  for (size_t i = 0; i < std::size(rates); ++i) {
    EXPECT_EQ(EngineWordsPerMinute(rates[i]), wpm[i]) << "rate " << rates[i];
    EXPECT_EQ(EngineWordGap(rates[i]), gap[i]) << "rate " << rates[i];
  }
}

TEST(SpeechVoice, TakesKnownVoicesAndVariantsOnly) {
  const std::pair<const char*, bool> names[] = {
      {"en-us", true},        {"en-us+m3", true},    {"gmw/en-US", true}, {"en-us+f3", true},
      {"en-us+bogus", false},  // the engine itself would take it silently as "en-us"
      {"xx-nowhere", false},  {"en-us+", false},     {"", false},
  };
  for (const auto& [name, known] : names) {
    ASSERT_TRUE(SpeechSetVoice("en-us+m1"));
    EXPECT_EQ(SpeechSetVoice(name), known) << name;
    EXPECT_EQ(SpeechVoiceName(), known ? name : "en-us+m1") << name;
  }
  SpeechSetVoice("en-us");
}

TEST(SpeechVoice, InstalledVoicesAreTheReaderVoicesThenEveryEngineVoice) {
  std::vector<InstalledVoice> voices = InstalledVoices();
  ASSERT_GT(voices.size(), 50u) << "espeak-ng did not start";
  EXPECT_EQ(voices[0].description, MaleVoiceName);
  EXPECT_EQ(voices[0].engineName, "en-us+m3");
  EXPECT_EQ(voices[1].description, FemaleVoiceName);
  EXPECT_EQ(voices[1].engineName, "en-us+f3");
  bool american = false;
  for (const InstalledVoice& voice : voices) {
    american = american || (voice.description == "English (America)" && voice.engineName == "gmw/en-US");
    EXPECT_TRUE(SpeechSetVoice(voice.engineName)) << voice.engineName;
  }
  EXPECT_TRUE(american);
  SpeechSetVoice("en-us");
}

class SpeechEngine : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SOUND_SERVER();
    SetSpeechListener({[this](const SpokenWord& word) { words.push_back(word); }, [this] { ++ends; },
                       [this] { ++losses; }});
    SpeechStop();
    ProcessPendingEvents();
    words.clear();
    ends = 0;
    SpeechSetRate(3);
    SpeechSetVoice("en-us");
  }
  // Reports still on their way find no fixture to write to.
  void TearDown() override { SetSpeechListener({}); }
  bool RunUntilEnded(double seconds = 20) {
    return RunUntil([this] { return ends > 0; }, seconds);
  }
  std::vector<std::string> WordsOf(const std::string& text) const {
    std::vector<std::string> out;
    for (const SpokenWord& w : words) out.push_back(text.substr(w.position, w.length));
    return out;
  }
  std::vector<SpokenWord> words;
  int ends = 0;
  int losses = 0;
};

TEST_F(SpeechEngine, ReportsEachWordOnceInOrderThenTheEnd) {
  struct Case {
    std::string text;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      // Numbers, "of the", a contraction, CR LF and a tab: the engine's own events are unreliable here.
      {"Hello world, the year 1984 of the can't.\r\nNext\tline.",
       {"Hello", "world", "the", "year", "1984", "of", "the", "can't", "Next", "line"}},
      // Positions count bytes: one two-byte character before "au".
      {"caf\xC3\xA9 au lait", {"caf\xC3\xA9", "au", "lait"}},
  };
  for (const Case& c : cases) {
    words.clear();
    ends = 0;
    SpeechSpeak(c.text, SpeakMode::Reading);
    ASSERT_TRUE(RunUntilEnded()) << c.text;
    EXPECT_EQ(WordsOf(c.text), c.words);
    for (size_t i = 1; i < words.size(); ++i) {
      EXPECT_GT(words[i].position, words[i - 1].position);
      EXPECT_GE(words[i].audioSeconds, words[i - 1].audioSeconds);
    }
    RunFor(0.1);
    EXPECT_EQ(ends, 1);
  }
}

TEST_F(SpeechEngine, AnAnnouncementReturnsWhenHeardAndReportsNothing) {
  size_t before = testsound::RecordedSamples();
  SpeechSpeak("Normal speech is on!", SpeakMode::Announcement);
  testsound::WaitForRecording(before, testsound::kRecordRate / 2);
  EXPECT_GT(Rms(testsound::Recording(before)), 300.0) << "the announcement was not played";
  RunFor(0.3);
  EXPECT_TRUE(words.empty());
  EXPECT_EQ(ends, 0);
}

TEST_F(SpeechEngine, StopSilencesTheReadingAndDropsItsReports) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "word number " + std::to_string(i) + " of a long reading. ";
  SpeechSpeak(text, SpeakMode::Reading);
  ASSERT_TRUE(RunUntil([this] { return !words.empty(); }, 5));
  // More words become due meanwhile: their reports are posted but not yet delivered.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  size_t heard = words.size();
  SpeechStop();
  // Only the end of the stop comes; nothing of the reading.
  RunFor(0.3);
  size_t quietFrom = testsound::RecordedSamples();
  RunFor(0.3);
  EXPECT_EQ(words.size(), heard);
  EXPECT_EQ(ends, 1);
  testsound::WaitForRecording(quietFrom, testsound::kRecordRate / 4);
  EXPECT_LT(Rms(testsound::Recording(quietFrom)), 50.0) << "the reading kept sounding after the stop";
}

TEST_F(SpeechEngine, WithoutASoundServerEveryReadingEndsAtOnce) {
  testsound::StopPrivateSoundServer();
  SpeechSpeak("nobody hears this", SpeakMode::Reading);
  EXPECT_TRUE(RunUntilEnded(5));
  EXPECT_TRUE(words.empty());
  SpeechSpeak("nor this", SpeakMode::Announcement);  // returns rather than waiting
  // A server that appears later is used.
  std::string why;
  ASSERT_TRUE(testsound::StartPrivateSoundServer(&why)) << why;
  ends = 0;
  SpeechSpeak("hello again", SpeakMode::Reading);
  EXPECT_TRUE(RunUntilEnded());
  EXPECT_EQ(words.size(), 2u);
}

// A frozen server neither answers nor fails: the reading ends within the stall limit and says why.
TEST_F(SpeechEngine, AFrozenSoundServerEndsTheReadingWithinTheStallLimit) {
  std::string text;
  while (text.size() < 100000) text += "In the beginning God created the heaven and the earth.\r\n";
  SpeechSpeak(text, SpeakMode::Reading);
  ASSERT_TRUE(RunUntil([this] { return words.size() > 3; }, 10));
  testsound::FreezePrivateSoundServer();
  bool ended = RunUntilEnded(15);  // how soon, the speech benchmark measures
  testsound::ThawPrivateSoundServer();
  testsound::StopPrivateSoundServer();  // its client connection is in no state to trust
  ASSERT_TRUE(ended);
  EXPECT_EQ(losses, 1);
  std::string why;
  ASSERT_TRUE(testsound::StartPrivateSoundServer(&why)) << why;
}

// The sound server goes away in the middle of a reading: the reading ends at once and says why, without the process growing; a server that comes back is used again.
TEST_F(SpeechEngine, LosingTheSoundServerEndsTheReadingAtOnce) {
  std::string text;
  while (text.size() < 1000000) text += "In the beginning God created the heaven and the earth.\r\n";
  SpeechSpeak(text, SpeakMode::Reading);
  ASSERT_TRUE(RunUntil([this] { return words.size() > 3; }, 10));
  long memoryBefore = ResidentKilobytes();
  testsound::KillPrivateSoundServer();
  // Well before the stall limit: the loss is noticed, not waited out (the benchmark measures it).
  ASSERT_TRUE(RunUntilEnded(5));
  testsound::StopPrivateSoundServer();
  EXPECT_EQ(losses, 1);
  EXPECT_LT(ResidentKilobytes() - memoryBefore, 20 * 1024);
  std::string why;
  ASSERT_TRUE(testsound::StartPrivateSoundServer(&why)) << why;
  ends = 0;
  SpeechSpeak("hello again", SpeakMode::Reading);
  EXPECT_TRUE(RunUntilEnded());
  EXPECT_EQ(losses, 1);
}

}  // namespace
}  // namespace vt
