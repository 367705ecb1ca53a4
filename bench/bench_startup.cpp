// Start-up as a user meets it: the built reader is started on a private Xvfb display with settings
// that open the Bible at a bookmark in its middle, and timed from the process start until its text
// is on the screen; a bare Qt window showing one 64 pt label is started in the same run, taking
// turns with the reader, as the floor the toolkit itself sets. Also the reader's peak memory
// (VmHWM) once it has settled, and the time from Esc to the end of its process.
//
// "On the screen" is read from the display's own pixels: Xvfb keeps its framebuffer in a mapped
// file (-fbdir), and the benchmark polls it for the yellow of the text below the bar, so neither
// program needs to cooperate and nothing counts before the pixels are there.
// The display is :140 or the next free one; VELLUMTIDE_BENCH_DISPLAY (":65") names another.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench.h"
#include "bench/sound_server.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kRepeats = 7;
constexpr int kScreenWidth = 1920, kScreenHeight = 1080;
constexpr int kBibleBookmark = 2000000;  // a character in the middle of the Bible

double MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void SleepMs(double ms) { std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(ms * 1000))); }

// Starts a program with extra environment variables; it dies with the benchmark.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, const std::string& folder) {
  std::vector<std::string> env = extraEnv;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool overridden = std::any_of(extraEnv.begin(), extraEnv.end(), [&](const std::string& x) { return x.rfind(name + "=", 0) == 0; });
    if (!overridden) env.push_back(entry);
  }
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    int quiet = open("/dev/null", O_RDWR);
    dup2(quiet, 1);
    dup2(quiet, 2);
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// The Xvfb server with its framebuffer mapped into this process.
struct VirtualScreen {
  pid_t pid = -1;
  std::string name;  // ":140"
  std::string folder;
  const uint8_t* pixels = nullptr;  // 32 bits a pixel, blue green red
  size_t mapped = 0;
  void* map = nullptr;
  uint32_t bytesPerLine = 0;
  Display* x = nullptr;

  bool Start() {
    const char* given = std::getenv("VELLUMTIDE_BENCH_DISPLAY");
    int number = 140;
    if (given && *given) {
      number = std::atoi(given + (given[0] == ':' ? 1 : 0));
    } else {
      while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) || fs::exists("/tmp/.X" + std::to_string(number) + "-lock")) ++number;
    }
    name = ":" + std::to_string(number);
    char pattern[] = "/tmp/vellumtide-bench-screen-XXXXXX";
    folder = mkdtemp(pattern);
    pid = Spawn({"/usr/bin/Xvfb", name, "-screen", "0", "1920x1080x24", "-fbdir", folder, "-br", "-nolisten", "tcp"}, {}, "");
    for (int i = 0; i < 200 && !x; ++i) {
      SleepMs(50);
      x = XOpenDisplay(name.c_str());
    }
    return x && MapFramebuffer();
  }

  // The framebuffer file is an XWD image: a header of big-endian 32-bit fields, a colour map, pixels.
  bool MapFramebuffer() {
    int fd = open((folder + "/Xvfb_screen0").c_str(), O_RDONLY);
    if (fd < 0) return false;
    struct stat info {};
    fstat(fd, &info);
    mapped = static_cast<size_t>(info.st_size);
    map = mmap(nullptr, mapped, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (map == MAP_FAILED) return false;
    auto field = [this](int index) {
      const uint8_t* p = static_cast<const uint8_t*>(map) + 4 * index;
      return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    };
    const uint32_t headerSize = field(0), bitsPerPixel = field(11), colours = field(19);
    bytesPerLine = field(12);
    pixels = static_cast<const uint8_t*>(map) + headerSize + colours * 12;
    return bitsPerPixel == 32;
  }

  // True when the text's yellow shows below the bar: at least a few hundred pixels of it.
  bool TextShown() const {
    int yellow = 0;
    for (int y = 300; y < kScreenHeight - 80; y += 3) {
      const uint8_t* row = pixels + static_cast<size_t>(y) * bytesPerLine;
      for (int column = 0; column < kScreenWidth; ++column) {
        const uint8_t* p = row + 4 * column;
        if (p[2] > 200 && p[1] > 200 && p[0] < 60) ++yellow;
      }
    }
    return yellow >= 300;
  }

  // Presses and releases Esc in the program's window (the one shown window of the screen).
  bool PressEscape() {
    Window root = DefaultRootWindow(x), parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(x, root, &root, &parent, &children, &count);
    Window target = 0;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(x, children[i], &attributes) && attributes.map_state == IsViewable &&
          attributes.width >= 1000)
        target = children[i];
    }
    if (children) XFree(children);
    if (!target) return false;
    for (int type : {KeyPress, KeyRelease}) {
      XKeyEvent key{};
      key.type = type;
      key.display = x;
      key.window = target;
      key.root = root;
      key.keycode = XKeysymToKeycode(x, XK_Escape);
      key.same_screen = True;
      XEvent event;
      event.xkey = key;
      XSendEvent(x, target, True, KeyPressMask | KeyReleaseMask, &event);
    }
    XSync(x, False);
    return true;
  }

  ~VirtualScreen() {
    if (x) XCloseDisplay(x);
    if (map && map != MAP_FAILED) munmap(map, mapped);
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    if (!folder.empty()) fs::remove_all(folder);
  }
};

// Waits until the text shows; the milliseconds since `start`, or -1 when it never did.
double WaitForText(const VirtualScreen& screen, pid_t pid, Clock::time_point start) {
  while (MsBetween(start, Clock::now()) < 20000) {
    if (screen.TextShown()) return MsBetween(start, Clock::now());
    if (waitpid(pid, nullptr, WNOHANG) == pid) return -1;
    SleepMs(0.5);
  }
  return -1;
}

long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string content((std::istreambuf_iterator<char>(stat)), {});
  std::istringstream fields(content.substr(content.rfind(')') + 2));
  std::string skip;
  long user = 0, system = 0;
  for (int i = 3; i < 14; ++i) fields >> skip;
  fields >> user >> system;
  return user + system;
}

// Waits until the process has used no processor time for half a second (its start-up work done).
void WaitUntilSettled(pid_t pid) {
  long last = CpuTicks(pid);
  int still = 0;
  for (int i = 0; i < 300 && still < 5; ++i) {
    SleepMs(100);
    long now = CpuTicks(pid);
    still = now == last ? still + 1 : 0;
    last = now;
  }
}

double PeakMemoryMiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

struct ReaderRun {
  double shown = -1, peakMiB = 0, escToEnd = -1;
};

// With `click`, the click is on as a first start writes the settings, and a sound server plays it.
void WriteSettings(const std::string& folder, bool click) {
  std::ofstream ini(folder + "/vellumtide.ini", std::ios::binary | std::ios::trunc);
  ini << "[All]\r\nBook=1\r\nBookMark1=" << kBibleBookmark << "\r\nFontSize=64\r\nUserBarDelay=0\r\nsBeepOn="
      << (click ? 1 : 0) << "\r\n";
}

std::vector<std::string> ChildEnvironment(const VirtualScreen& screen, const std::string& folder, bool sound = false) {
  std::vector<std::string> env = {"DISPLAY=" + screen.name, "QT_QPA_PLATFORM=xcb", "HOME=" + folder, "XDG_RUNTIME_DIR=" + folder};
  if (sound) env.push_back("PULSE_SERVER=" + bench::SoundServerAddress());
  return env;
}

ReaderRun RunReader(VirtualScreen& screen, const std::string& folder, bool click = false) {
  WriteSettings(folder, click);
  ReaderRun run;
  auto start = Clock::now();
  pid_t pid = Spawn({folder + "/vellumtide"}, ChildEnvironment(screen, folder, click), folder);
  run.shown = WaitForText(screen, pid, start);
  WaitUntilSettled(pid);
  run.peakMiB = PeakMemoryMiB(pid);
  if (screen.PressEscape()) {
    auto pressed = Clock::now();
    for (int i = 0; i < 10000 && waitpid(pid, nullptr, WNOHANG) != pid; ++i) SleepMs(0.5);
    run.escToEnd = MsBetween(pressed, Clock::now());
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return run;
}

double RunBareWindow(const VirtualScreen& screen, const std::string& program, const std::string& folder) {
  auto start = Clock::now();
  pid_t pid = Spawn({program}, ChildEnvironment(screen, folder), folder);
  double shown = WaitForText(screen, pid, start);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  SleepMs(200);  // the screen is blank again
  return shown;
}

void Measure(std::vector<bench::Row>& rows) {
  const fs::path benchFolder = fs::read_symlink("/proc/self/exe").parent_path();
  const std::string reader = (benchFolder.parent_path() / "vellumtide").string();
  const std::string bare = (benchFolder / "vellumtide_bare_window").string();
  VirtualScreen screen;
  if (!fs::exists(reader) || !fs::exists(bare) || !screen.Start()) {
    rows.push_back({"no display or no programs to start", 0, "-", "-"});
    return;
  }
  char pattern[] = "/tmp/vellumtide-bench-startup-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  fs::copy_file(reader, folder + "/vellumtide");  // the settings file lives beside the program

  RunReader(screen, folder);  // the first runs fill the caches, as a user's second start finds them
  RunBareWindow(screen, bare, folder);
  std::vector<double> readerShown, bareShown, peaks, escapes;
  for (int i = 0; i < kRepeats; ++i) {
    ReaderRun run = RunReader(screen, folder);
    readerShown.push_back(run.shown);
    peaks.push_back(run.peakMiB);
    escapes.push_back(run.escToEnd);
    bareShown.push_back(RunBareWindow(screen, bare, folder));
  }
  std::vector<double> clickedEscapes;
  if (bench::StartSoundServer()) {
    for (int i = 0; i < kRepeats; ++i) clickedEscapes.push_back(RunReader(screen, folder, true).escToEnd);
    bench::StopSoundServer();
  }
  fs::remove_all(folder);
  const double readerMs = Median(readerShown), bareMs = Median(bareShown);
  rows.push_back({"reader, start to the Bible shown at its bookmark", readerMs, "ms", "-"});
  rows.push_back({"bare Qt window, start to its 64 pt label shown", bareMs, "ms", "-"});
  rows.push_back({"reader / bare window", bareMs > 0 ? readerMs / bareMs : 0, "ratio", "<= 1.5"});
  rows.push_back({"peak memory (VmHWM), Bible at 64 pt", Median(peaks), "MiB", "<= 60"});
  rows.push_back({"Esc to the end of the process", Median(escapes), "ms", "-"});
  rows.push_back({"Esc to the end of the process, sound server, click on", clickedEscapes.empty() ? NAN : Median(clickedEscapes), "ms", "<= 100"});
}

bench::Register registered("startup", Measure);

}  // namespace
