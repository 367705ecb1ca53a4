// The benchmark's shared pieces: each figure is registered by the file that measures it, and
// printed by the one bench program as a row of name, median and target.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A measured figure: its name, the median of its repeats, its unit and the target beside it.
struct Row {
  std::string name;
  double median;
  std::string unit;
  std::string target;
};

// A group of measurements, run in the order of registration.
struct Group {
  std::string name;
  std::function<void(std::vector<Row>&)> run;
};

// Registers a group; a file-scope `static bench::Register r("...", fn);` is enough.
struct Register {
  Register(const std::string& name, std::function<void(std::vector<Row>&)> run);
};

// Milliseconds of one call of `work`, as the median of `repeats` runs.
double MedianMs(int repeats, const std::function<void()>& work);

// A figure of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMb(const std::string& key);

// Lets the peak figure (VmHWM) start again from what the process holds now.
void ResetPeakMemory();

}  // namespace bench
