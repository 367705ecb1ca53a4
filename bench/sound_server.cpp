// The benchmark's private sound server (see sound_server.h).
#include "bench/sound_server.h"

#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace bench {

static std::string serverDir;  // the server's runtime folder, "" when none runs
static pid_t serverPid = -1;

// The null sink's first block, rendered before the recorder asked for small ones, plays out first.
constexpr auto kFirstBlock = std::chrono::milliseconds(2500);

bool StartSoundServer() {
  char pattern[] = "/tmp/vt-bench-sound-XXXXXX";
  if (!mkdtemp(pattern)) return false;
  serverDir = pattern;
  setenv("XDG_RUNTIME_DIR", serverDir.c_str(), 1);
  setenv("PULSE_SERVER", SoundServerAddress().c_str(), 1);
  std::string command = "HOME='" + serverDir +
                        "' pulseaudio --daemonize=yes -n --exit-idle-time=-1 --disallow-exit "
                        "--load='module-native-protocol-unix auth-anonymous=1' "
                        "--load='module-null-sink sink_name=bench_null rate=22050 channels=1' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream pidFile(serverDir + "/pulse/pid");
  pidFile >> serverPid;
  std::system("pactl set-default-sink bench_null >/dev/null 2>&1");
  // The server ends the recorder when it stops.
  std::system("parecord --raw -d bench_null.monitor --latency-msec=20 >/dev/null 2>&1 &");
  std::this_thread::sleep_for(kFirstBlock);
  return serverPid > 0;
}

void StopSoundServer() {
  if (serverPid > 0) kill(serverPid, SIGTERM);
  serverPid = -1;
  if (!serverDir.empty()) std::system(("sleep 0.2; rm -rf '" + serverDir + "'").c_str());
  serverDir.clear();
}

void SignalSoundServer(int signal) {
  if (serverPid > 0) kill(serverPid, signal);
}

std::string SoundServerAddress() { return "unix:" + serverDir + "/pulse/native"; }

}  // namespace bench
