// The speech engine over the real espeak-ng and a private sound server: the words it reports for a
// text, purging, voices, rates, and what happens without a sound server.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "platform/speech_engine.h"
#include "platform/voice_tokens.h"
#include "private_sound_server.h"

namespace vt {
namespace {

constexpr uint64_t kAllEvents = (uint64_t{1} << SPEI_END_INPUT_STREAM) | (uint64_t{1} << SPEI_WORD_BOUNDARY);

struct Heard {
  std::vector<SpeechEvent> words;
  bool ended = false;
  uint32_t endStream = 0;
};

// Takes the voice's events until the end of a stream arrives (or 20 s have passed).
Heard Collect(SpeechVoiceHandle voice) {
  Heard heard;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!heard.ended && std::chrono::steady_clock::now() < deadline) {
    SpeechEvent event{};
    if (VoiceGetEvents(voice, &event) != S_OK) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    if (event.eventId == SPEI_WORD_BOUNDARY) heard.words.push_back(event);
    if (event.eventId == SPEI_END_INPUT_STREAM) heard.ended = true, heard.endStream = event.streamNumber;
  }
  return heard;
}

std::vector<std::string> WordsOf(const std::string& text, const Heard& heard) {
  std::vector<std::string> words;
  for (const SpeechEvent& e : heard.words) words.push_back(text.substr(e.wordPos, e.wordLen));
  return words;
}

double Rms(const std::vector<int16_t>& samples, size_t from, size_t count) {
  double sum = 0;
  size_t end = std::min(samples.size(), from + count);
  for (size_t i = from; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return end > from ? std::sqrt(sum / static_cast<double>(end - from)) : 0;
}

class SpeechEngine : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SOUND_SERVER();
    voice = CreateSpeechVoice();
    ASSERT_TRUE(SpeechEngineAvailable()) << "espeak-ng did not start";
    VoiceSetNotifyWindowMessage(voice, nullptr, 0);
    VoiceSetInterest(voice, kAllEvents, kAllEvents);
    VoiceSpeak(voice, "", SPF_PURGEBEFORESPEAK, nullptr);
    SpeechEvent drop{};
    while (VoiceGetEvents(voice, &drop) == S_OK) {
    }
    VoiceSetRate(voice, 3);
    VoiceSetVoice(voice, nullptr);
  }
  SpeechVoiceHandle voice = nullptr;
};

TEST(SpeechRate, MapsTheRateOntoWordsPerMinute) {
  const int rates[] = {-12, -10, -9, -8, -7, -3, 0, 3, 10, 14};
  const int wpm[] = {80, 80, 80, 80, 81, 126, 175, 243, 525, 525};
  const int gap[] = {7, 7, 4, 2, 0, 0, 0, 0, 0, 0};
  for (size_t i = 0; i < std::size(rates); ++i) {
    EXPECT_EQ(EngineWordsPerMinute(rates[i]), wpm[i]) << "rate " << rates[i];
    EXPECT_EQ(EngineWordGap(rates[i]), gap[i]) << "rate " << rates[i];
  }
}

TEST(SpeechVoiceNames, KnowsVoicesAndVariantsOnly) {
  ASSERT_TRUE(SpeechEngineAvailable());
  EXPECT_TRUE(IsEngineVoiceName("en-us"));
  EXPECT_TRUE(IsEngineVoiceName("en-us+m3"));
  EXPECT_TRUE(IsEngineVoiceName("en-us+f3"));
  EXPECT_TRUE(IsEngineVoiceName("gmw/en-US"));
  EXPECT_FALSE(IsEngineVoiceName("en-us+bogus"));  // the engine itself would take it silently
  EXPECT_FALSE(IsEngineVoiceName("xx-nowhere"));
  EXPECT_FALSE(IsEngineVoiceName("en-us+"));
  EXPECT_FALSE(IsEngineVoiceName(""));
  EXPECT_GT(ListEngineVoices().size(), 50u);
  EXPECT_GT(ListEngineVariants().size(), 50u);
}

TEST_F(SpeechEngine, ReportsEachWordOnceInOrderThenTheEnd) {
  // Numbers, "of the", a contraction, CR LF and a tab: the engine's own events are unreliable here.
  const std::string text = "Hello world, the year 1984 of the can't.\r\nNext\tline.";
  uint32_t stream = 0;
  ASSERT_EQ(VoiceSpeak(voice, text, SPF_ASYNC, &stream), S_OK);
  Heard heard = Collect(voice);
  ASSERT_TRUE(heard.ended);
  EXPECT_EQ(heard.endStream, stream);
  std::vector<std::string> expected = {"Hello", "world", "the", "year", "1984", "of", "the", "can't", "Next", "line"};
  EXPECT_EQ(WordsOf(text, heard), expected);
  for (size_t i = 1; i < heard.words.size(); ++i) {
    EXPECT_GT(heard.words[i].wordPos, heard.words[i - 1].wordPos);
    EXPECT_GE(heard.words[i].audioStreamOffset, heard.words[i - 1].audioStreamOffset);
    EXPECT_EQ(heard.words[i].streamNumber, stream);
  }
}

TEST_F(SpeechEngine, CountsPositionsInBytesOfTheText) {
  const std::string text = "caf\xC3\xA9 au lait";  // one two-byte character before "au"
  VoiceSpeak(voice, text, SPF_ASYNC, nullptr);
  Heard heard = Collect(voice);
  ASSERT_TRUE(heard.ended);
  std::vector<std::string> expected = {"caf\xC3\xA9", "au", "lait"};
  EXPECT_EQ(WordsOf(text, heard), expected);
}

TEST_F(SpeechEngine, StatusFollowsTheWordsTakenFromTheQueue) {
  const std::string text = "alpha beta gamma";
  VoiceSpeak(voice, text, SPF_ASYNC, nullptr);
  Heard heard = Collect(voice);
  ASSERT_EQ(heard.words.size(), 3u);
  SpeechStatus status{};
  VoiceGetStatus(voice, &status);
  EXPECT_EQ(status.ulInputWordPos, 11);
  EXPECT_EQ(status.ulInputWordLen, 5);
  EXPECT_EQ(status.runningState, SPRS_DONE);
}

TEST_F(SpeechEngine, SynchronousSpeakReturnsAfterTheTextWasHeard) {
  size_t before = testsound::RecordedSamples();
  ASSERT_EQ(VoiceSpeak(voice, "Normal speech is on!", 0, nullptr), S_OK);
  SpeechStatus status{};
  VoiceGetStatus(voice, &status);
  EXPECT_EQ(status.runningState, SPRS_DONE);
  testsound::WaitForRecording(before, testsound::kRecordRate / 2);
  std::vector<int16_t> heard = testsound::Recording(before);
  EXPECT_GT(Rms(heard, 0, heard.size()), 300.0) << "the announcement was not played";
  // Its events were queued as well; the end is the last of them.
  Heard events = Collect(voice);
  EXPECT_TRUE(events.ended);
  EXPECT_EQ(events.words.size(), 4u);
}

TEST_F(SpeechEngine, PurgeSilencesTheReadingAndDropsItsEvents) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "word number " + std::to_string(i) + " of a long reading. ";
  uint32_t reading = 0;
  VoiceSpeak(voice, text, SPF_ASYNC, &reading);
  // Wait until the reading is heard.
  SpeechEvent first{};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (VoiceGetEvents(voice, &first) != S_OK && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(first.eventId, SPEI_WORD_BOUNDARY);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));  // more words become due meanwhile

  int purges = VoicePurgeCount(voice);
  uint32_t stop = 0;
  ASSERT_EQ(VoiceSpeak(voice, "", SPF_PURGEBEFORESPEAK, &stop), S_OK);
  EXPECT_EQ(VoicePurgeCount(voice), purges + 1);

  // Only the end of the empty stream comes; nothing of the reading.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  size_t quietFrom = testsound::RecordedSamples();
  Heard after = Collect(voice);
  EXPECT_TRUE(after.ended);
  EXPECT_EQ(after.endStream, stop);
  EXPECT_TRUE(after.words.empty());
  SpeechEvent more{};
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(VoiceGetEvents(voice, &more), S_FALSE);
  testsound::WaitForRecording(quietFrom, testsound::kRecordRate / 4);
  std::vector<int16_t> tail = testsound::Recording(quietFrom);
  EXPECT_LT(Rms(tail, 0, tail.size()), 50.0) << "the reading kept sounding after the purge";
}

TEST_F(SpeechEngine, UnknownVoiceLeavesTheVoiceUnchanged) {
  VoiceToken female{"female", {{"", "female"}}, "en-us+f3"};
  VoiceToken bogus{"bogus", {{"", "bogus"}}, "en-us+bogus"};
  EXPECT_EQ(VoiceSetVoice(voice, &female), S_OK);
  EXPECT_EQ(VoiceCurrentEngineVoice(voice), "en-us+f3");
  EXPECT_EQ(VoiceSetVoice(voice, &bogus), SPERR_NOT_FOUND);
  EXPECT_EQ(VoiceCurrentEngineVoice(voice), "en-us+f3");
  EXPECT_EQ(VoiceSetVoice(voice, nullptr), S_OK);
  EXPECT_EQ(VoiceCurrentEngineVoice(voice), "en-us");
}

TEST_F(SpeechEngine, WithoutASoundServerEveryStreamEndsAtOnce) {
  testsound::StopPrivateSoundServer();
  uint32_t stream = 0;
  VoiceSpeak(voice, "nobody hears this", SPF_ASYNC, &stream);
  Heard heard = Collect(voice);
  EXPECT_TRUE(heard.ended);
  EXPECT_EQ(heard.endStream, stream);
  EXPECT_TRUE(heard.words.empty());
  EXPECT_EQ(VoiceSpeak(voice, "nor this", 0, nullptr), S_OK);  // returns rather than waiting
  // A server that appears later is used.
  std::string why;
  ASSERT_TRUE(testsound::StartPrivateSoundServer(&why)) << why;
  Collect(voice);
  VoiceSpeak(voice, "hello again", SPF_ASYNC, nullptr);
  Heard again = Collect(voice);
  EXPECT_TRUE(again.ended);
  EXPECT_EQ(again.words.size(), 2u);
}

}  // namespace
}  // namespace vt
