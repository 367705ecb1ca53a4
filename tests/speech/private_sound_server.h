// A private sound server for the speech and sound tests: a PulseAudio daemon of its own with one
// null sink, and a low-latency recorder on the sink's monitor (without a reader the null sink
// renders in 2-second blocks). What the program plays can be read back from the recording.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsound {

constexpr int kRecordRate = 22050;  // the recording: 16-bit mono at this rate

// Starts the server once (later calls reuse it, with the sink back at full volume, as a new server
// has it: a volume test before must not make the next test's sound too faint); false with the
// reason when it cannot start.
bool StartPrivateSoundServer(std::string* why);

// Stops the server and its recorder; the program then finds no sound server.
void StopPrivateSoundServer();

// Kills the server at once, as a crash would; StopPrivateSoundServer cleans up after it.
void KillPrivateSoundServer();

// Freezes the server (SIGSTOP), as a hung server or an overloaded machine would, and thaws it.
void FreezePrivateSoundServer();
void ThawPrivateSoundServer();

// Runs pactl against the private server and returns its output.
std::string Pactl(const std::string& arguments);

// The null sink's volume in percent of the first channel, as pactl reports it.
int SinkVolumePercent();

// Samples recorded so far (a position to read from later).
size_t RecordedSamples();

// The recording from sample `from` on.
std::vector<int16_t> Recording(size_t from);

// Blocks until the recording has grown by `samples` beyond `from` (or 5 s have passed).
void WaitForRecording(size_t from, size_t samples);

}  // namespace testsound

// Skips the current test with a message when no private sound server can be started.
#define REQUIRE_SOUND_SERVER()                                                  \
  do {                                                                          \
    std::string why_;                                                           \
    if (!testsound::StartPrivateSoundServer(&why_)) GTEST_SKIP() << "no private sound server: " << why_; \
  } while (0)
