// Choosing the voice by its description among the installed voices, and the voice command in the
// running reader (the two voices really differ).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/testing.h"
#include "private_sound_server.h"
#include "reader_window.h"
#include "speech/voices.h"

namespace vt {
namespace {

using speechtest::RunUntil;

TEST(SelectVoice, ChoosesOnlyByTheExactDescription) {
  struct Case {
    std::string description;
    bool found;
    std::string voice;  // the engine voice afterwards
  };
  const Case cases[] = {
      {MaleVoiceName, true, "en-us+m3"},
      {FemaleVoiceName, true, "en-us+f3"},
      {"English (America)", true, "gmw/en-US"},
      {"microsoft zira desktop - english (united states)", false, "gmw/en-US"},  // case counts
      {"Someone Else", false, "gmw/en-US"},
      {"", false, "gmw/en-US"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SelectVoice(c.description), c.found) << c.description;
    EXPECT_EQ(SpeechVoiceName(), c.voice) << c.description;
  }
  SpeechSetVoice("en-us");
}

class Voices : public speechtest::ReaderTest {
 protected:
  void SetUp() override {
    speechtest::ReaderTest::SetUp();
    if (!IsSkipped()) OpenReader("Hello there, this is the voice speaking.");
  }
};

TEST_F(Voices, TwoTogglesReturnToTheFirstVoice) {
  ASSERT_EQ(MaleVoice, 1);
  EnsureSpeechStarted();
  ASSERT_EQ(SpeechVoiceName(), "en-us+m3");
  RunCommand(CmdVoice);
  EXPECT_EQ(MaleVoice, 0);
  EXPECT_EQ(SpeechVoiceName(), "en-us+f3");
  RunCommand(CmdVoice);
  EXPECT_EQ(MaleVoice, 1);
  EXPECT_EQ(SpeechVoiceName(), "en-us+m3");
}

TEST_F(Voices, ToggleWhileReadingStopsTheReading) {
  RunCommand(CmdPlay);
  ASSERT_TRUE(RunUntil([] { return UnderlineLength > 0; }));
  RunCommand(CmdVoice);
  EXPECT_EQ(IsSpeaking, 0);
  EXPECT_EQ(SpeechVoiceName(), "en-us+f3");
  // It is not read again with the new voice.
  int mark = UnderlineStart;
  speechtest::RunFor(0.6);
  EXPECT_EQ(IsSpeaking, 0);
  EXPECT_EQ(UnderlineStart, mark);
}

// The median pitch of the voiced parts of a recording, by autocorrelation over 40 ms frames.
double MedianPitch(const std::vector<int16_t>& samples) {
  const int rate = testsound::kRecordRate, frame = rate / 25;
  std::vector<double> pitches;
  for (size_t at = 0; at + frame < samples.size(); at += frame / 2) {
    double energy = 0;
    for (int i = 0; i < frame; ++i) energy += static_cast<double>(samples[at + i]) * samples[at + i];
    if (std::sqrt(energy / frame) < 1500) continue;
    int bestLag = 0;
    double best = 0;
    for (int lag = rate / 400; lag <= rate / 70; ++lag) {
      double sum = 0;
      for (int i = 0; i + lag < frame; ++i) sum += static_cast<double>(samples[at + i]) * samples[at + i + lag];
      sum /= energy;
      if (sum > best) best = sum, bestLag = lag;
    }
    if (best > 0.5) pitches.push_back(static_cast<double>(rate) / bestLag);
  }
  if (pitches.empty()) return 0;
  std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
  return pitches[pitches.size() / 2];
}

double PitchOfOneReading() {
  PaneSetSelection(PaneWindow, 0, 0);
  size_t from = testsound::RecordedSamples();
  RunCommand(CmdPlay);
  RunUntil([] { return IsSpeaking == 0; });
  speechtest::RunFor(0.1);
  return MedianPitch(testsound::Recording(from));
}

TEST_F(Voices, TheMaleAndFemaleVoicesSoundDifferent) {
  double male = PitchOfOneReading();
  RunCommand(CmdVoice);
  double female = PitchOfOneReading();
  EXPECT_NEAR(male, 105, 30);
  EXPECT_NEAR(female, 206, 50);
}

}  // namespace
}  // namespace vt
