// The bench program: runs every registered group (or those named on the command line) and prints
// one table of the figures with their targets.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench/bench.h"
#include "platform/window.h"

namespace bench {

static std::vector<Group>& Groups() {
  static std::vector<Group> groups;
  return groups;
}

Register::Register(const std::string& name, std::function<void(std::vector<Row>&)> run) {
  Groups().push_back(Group{name, std::move(run)});
}

double StatusMb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  return 0;
}

void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

double MedianMs(int repeats, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace bench

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  vt::PlatformInit(qtArgc, argv);
  std::printf("| %-58s | %12s | %-6s | %-14s |\n", "figure", "median", "unit", "target");
  std::printf("|%s|%s|%s|%s|\n", std::string(60, '-').c_str(), std::string(14, '-').c_str(),
              std::string(8, '-').c_str(), std::string(16, '-').c_str());
  for (const bench::Group& group : bench::Groups()) {
    bool wanted = argc <= 1;
    for (int i = 1; i < argc; ++i) wanted = wanted || group.name == argv[i];
    if (!wanted) continue;
    std::vector<bench::Row> rows;
    group.run(rows);
    for (const bench::Row& row : rows)
      std::printf("| %-58s | %12.2f | %-6s | %-14s |\n", (group.name + ": " + row.name).c_str(), row.median,
                  row.unit.c_str(), row.target.c_str());
    std::fflush(stdout);
  }
  return 0;
}
