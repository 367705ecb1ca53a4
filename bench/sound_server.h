// A private PulseAudio server with one null sink ("bench_null"), read by a low-latency recorder so
// that the sink plays in small blocks as a sound card would (left alone it renders 2 s at a time).
// The environment of this process (and of programs it starts) points at it while it runs.
#pragma once
#include <string>

namespace bench {

// Starts the server; false when none could be started.
bool StartSoundServer();

// Ends the server started here and removes its folder.
void StopSoundServer();

// Sends a signal to the server started here (SIGSTOP freezes it, SIGCONT thaws it, SIGKILL ends it
// as a crash would).
void SignalSoundServer(int signal);

// "unix:/tmp/.../pulse/native": the address a started program is given to reach the server.
std::string SoundServerAddress();

}  // namespace bench
