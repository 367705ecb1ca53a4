// The click and the volume keys against a private sound server: what the null sink really played,
// and its volume as pactl reports it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/window_layout.h"
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

// The sounding part of a recording: its length, and its frequency from the zero crossings.
Tone Measure(const std::vector<int16_t>& samples) {
  const int threshold = 1000;
  size_t first = samples.size(), last = 0;
  for (size_t i = 0; i < samples.size(); ++i)
    if (std::abs(samples[i]) > threshold) first = std::min(first, i), last = i;
  Tone tone;
  if (first >= last) return tone;
  int crossings = 0;
  for (size_t i = first + 1; i <= last; ++i)
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  tone.seconds = static_cast<double>(last - first) / testsound::kRecordRate;
  tone.hertz = crossings / 2.0 / tone.seconds;
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
