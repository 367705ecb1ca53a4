// The click and the volume keys against a private sound server: what the null sink really played,
// and its volume as pactl reports it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/commands.h"
#include "core/ids.h"
#include "core/window_layout.h"
#include "support/main_window_fixture.h"
#include "platform/sound.h"
#include "private_sound_server.h"
#include "core/settings_file.h"
#include "speech/reading_aloud.h"

namespace vt {
namespace {

struct Tone {
  double seconds = 0;
  double hertz = 0;
};

// The sounding part of a recording: its length and frequency from the spacing of its rising zero
// crossings. A gap that load puts into the recording (the server rendering late) shows as one long
// spacing and is left out, so neither figure depends on how busy the machine was.
Tone Measure(const std::vector<int16_t>& samples) {
  const int threshold = 1000;
  const size_t quiet = testsound::kRecordRate / 100;  // no loud sample for 10 ms: not sounding
  std::vector<size_t> rising;
  size_t lastLoud = 0;
  bool heard = false;
  for (size_t i = 1; i < samples.size(); ++i) {
    if (std::abs(samples[i]) > threshold) lastLoud = i, heard = true;
    if (heard && i - lastLoud < quiet && samples[i - 1] < 0 && samples[i] >= 0) rising.push_back(i);
  }
  std::vector<size_t> periods;
  for (size_t i = 1; i < rising.size(); ++i) periods.push_back(rising[i] - rising[i - 1]);
  if (periods.empty()) return Tone{};
  std::vector<size_t> sorted = periods;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  const double median = static_cast<double>(sorted[sorted.size() / 2]);
  double sounding = 0;
  int cycles = 0;
  for (size_t period : periods)
    if (period < 1.5 * median) sounding += static_cast<double>(period), ++cycles;
  Tone tone;
  tone.seconds = sounding / testsound::kRecordRate;
  tone.hertz = cycles / tone.seconds;
  return tone;
}

class Sound : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SOUND_SERVER();
    testsound::Pactl("set-sink-volume ci_null 100%");
  }
};

TEST_F(Sound, TheClickIsA250HzToneOf300Ms) {
  ResetProgramState();
  sBeepOn = 1;
  size_t from = testsound::RecordedSamples();
  CommandBeep();
  testsound::WaitForRecording(from, testsound::kRecordRate * 6 / 10);
  Tone tone = Measure(testsound::Recording(from));
  EXPECT_NEAR(tone.seconds, 0.300, 0.02);
  EXPECT_NEAR(tone.hertz, 250, 5);
}

// Samples louder than the quiet between sounds.
size_t LoudSamples(const std::vector<int16_t>& samples) {
  return static_cast<size_t>(std::count_if(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) > 1000; }));
}

class ClickedCommand : public vt_test::MainWindowTest {
 protected:
  void SetUp() override {
    REQUIRE_SOUND_SERVER();
    MainWindowTest::SetUp();
    testsound::Pactl("set-sink-volume ci_null 100%");
  }
};

// Each clicked command acts while its click sounds: when it is back in the event loop the tone has
// not ended (a click that held the command would have played all 300 ms by then), and it is not cut
// short afterwards (a sink starved by a loaded machine may stretch it, never shorten it).
TEST_F(ClickedCommand, ReturnsWhileItsClickStillSounds) {
  Start();
  sBeepOn = 1;
  for (int command : {CmdHome, CmdNext, CmdPrev, CmdPage, CmdLarger, CmdSmaller, CmdColor, CmdMenu, CmdAgain}) {
    size_t from = testsound::RecordedSamples();
    RunCommand(command);
    size_t heardAtReturn = LoudSamples(testsound::Recording(from));
    testsound::WaitForRecording(from, testsound::kRecordRate * 6 / 10);
    std::vector<int16_t> after = testsound::Recording(from);
    EXPECT_LT(heardAtReturn, testsound::kRecordRate * 3 / 10) << "command " << command;
    EXPECT_GE(Measure(after).seconds, 0.280) << "command " << command;
  }
}

TEST_F(Sound, VolumeKeysStepFivePercent) {
  testsound::Pactl("set-sink-volume ci_null 50%");
  SystemVolumeUp();
  EXPECT_EQ(testsound::SinkVolumePercent(), 55);
  SystemVolumeDown();
  SystemVolumeDown();
  EXPECT_EQ(testsound::SinkVolumePercent(), 45);
}

TEST_F(Sound, LouderStopsAtFullVolumeButKeepsAHigherOne) {
  testsound::Pactl("set-sink-volume ci_null 97%");
  SystemVolumeUp();
  EXPECT_EQ(testsound::SinkVolumePercent(), 100);
  SystemVolumeUp();
  EXPECT_EQ(testsound::SinkVolumePercent(), 100);
  testsound::Pactl("set-sink-volume ci_null 120%");  // set by the user beyond full
  SystemVolumeUp();
  EXPECT_EQ(testsound::SinkVolumePercent(), 120);
  SystemVolumeDown();
  EXPECT_EQ(testsound::SinkVolumePercent(), 115);
}

TEST_F(Sound, WithoutASoundServerNothingHappens) {
  testsound::StopPrivateSoundServer();
  PlayTone(250, 300);
  SystemVolumeUp();
  SystemVolumeDown();
  std::string why;
  ASSERT_TRUE(testsound::StartPrivateSoundServer(&why)) << why;
}

}  // namespace
}  // namespace vt
