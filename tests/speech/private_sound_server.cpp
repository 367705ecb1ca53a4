// The private sound server: started in a fresh runtime folder of its own (XDG_RUNTIME_DIR and
// PULSE_SERVER point every client of this process at it), stopped at exit.
#include "private_sound_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

namespace testsound {

namespace {

std::string runtimeDir;
std::string recordingPath;
pid_t serverPid = -1;
pid_t recorderPid = -1;
bool registeredExit = false;

std::string RunCapture(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// Every call into the sound server's tools is bounded: a server that stops answering fails the
// test instead of hanging it.
bool ServerAnswers() { return RunCapture("timeout 10 pactl info 2>/dev/null").find("Server Name") != std::string::npos; }

// Ends a child process: asked first, killed if it has not gone after a second.
void EndChild(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

void StopAtExit() { StopPrivateSoundServer(); }

}  // namespace

bool StartPrivateSoundServer(std::string* why) {
  if (serverPid > 0) {
    Pactl("set-sink-volume ci_null 100%");
    return true;
  }
  if (access("/usr/bin/pulseaudio", X_OK) != 0) {
    *why = "pulseaudio is not installed";
    return false;
  }
  char pattern[] = "/tmp/vt-sound-XXXXXX";
  if (!mkdtemp(pattern)) {
    *why = "no temporary folder";
    return false;
  }
  runtimeDir = pattern;
  chmod(runtimeDir.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
  setenv("PULSE_SERVER", ("unix:" + runtimeDir + "/pulse/native").c_str(), 1);
  std::string command = "HOME='" + runtimeDir + "' timeout 30 pulseaudio --daemonize=yes -n --exit-idle-time=-1 --disallow-exit " +
                        "--load='module-native-protocol-unix auth-anonymous=1' " +
                        "--load='module-null-sink sink_name=ci_null rate=22050 channels=1' >'" + runtimeDir + "/server.log' 2>&1";
  if (std::system(command.c_str()) != 0 || !ServerAnswers()) {
    *why = "pulseaudio did not start (see " + runtimeDir + "/server.log)";
    return false;
  }
  std::ifstream pidFile(runtimeDir + "/pulse/pid");
  pidFile >> serverPid;
  if (serverPid <= 0) {
    *why = "pulseaudio wrote no pid";
    return false;
  }
  std::system("timeout 10 pactl set-default-sink ci_null >/dev/null 2>&1");
  recordingPath = runtimeDir + "/monitor.raw";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, recordingPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const char* argv[] = {"parecord", "--raw", "-d", "ci_null.monitor", "--latency-msec=20", "--format=s16le",
                        "--rate=22050", "--channels=1", nullptr};
  int spawned = posix_spawnp(&recorderPid, "parecord", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    recorderPid = -1;
    *why = "parecord did not start";
    StopPrivateSoundServer();
    return false;
  }
  // The recorder is running once the recording grows.
  size_t start = RecordedSamples();
  WaitForRecording(start, kRecordRate / 20);
  if (!registeredExit) {
    registeredExit = true;
    std::atexit(StopAtExit);
  }
  return true;
}

void KillPrivateSoundServer() {
  if (serverPid > 0) kill(serverPid, SIGKILL);
}

void FreezePrivateSoundServer() {
  if (serverPid > 0) kill(serverPid, SIGSTOP);
}

void ThawPrivateSoundServer() {
  if (serverPid > 0) kill(serverPid, SIGCONT);
}

void StopPrivateSoundServer() {
  if (recorderPid > 0) {
    EndChild(recorderPid);
    recorderPid = -1;
  }
  if (serverPid > 0) {
    kill(serverPid, SIGTERM);
    for (int i = 0; i < 200 && kill(serverPid, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    serverPid = -1;
  }
  if (!runtimeDir.empty()) {
    std::system(("rm -rf '" + runtimeDir + "'").c_str());
    runtimeDir.clear();
  }
  // Nothing is found in the folder that is gone: the program sees no server.
}

std::string Pactl(const std::string& arguments) { return RunCapture("timeout 10 pactl " + arguments + " 2>&1"); }

int SinkVolumePercent() {
  std::string out = Pactl("get-sink-volume ci_null");
  size_t percent = out.find('%');
  if (percent == std::string::npos) return -1;
  size_t begin = out.find_last_of(" /", percent - 1);
  return std::atoi(out.substr(begin + 1, percent - begin - 1).c_str());
}

size_t RecordedSamples() {
  struct stat info {};
  if (recordingPath.empty() || stat(recordingPath.c_str(), &info) != 0) return 0;
  return static_cast<size_t>(info.st_size) / 2;
}

std::vector<int16_t> Recording(size_t from) {
  std::vector<int16_t> samples;
  std::ifstream in(recordingPath, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from * 2));
  int16_t sample;
  while (in.read(reinterpret_cast<char*>(&sample), 2)) samples.push_back(sample);
  return samples;
}

void WaitForRecording(size_t from, size_t samples) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (RecordedSamples() < from + samples && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace testsound
