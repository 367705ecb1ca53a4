// Stands in for a newer release in the update tests: when started it leaves "started.marker"
// beside itself, holding the path it was started from.
#include <cstdio>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

// The path of this program, or empty.
static std::string OwnPath() {
  char buffer[4096];
#ifdef _WIN32
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
#else
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
#endif
}

int main() {
  const std::string self = OwnPath();
  if (self.empty()) return 1;
  std::string folder = self.substr(0, self.find_last_of("/\\") + 1);
  std::string partial = folder + "started.marker.part";
  FILE* file = std::fopen(partial.c_str(), "w");
  if (!file) return 1;
  std::fputs(self.c_str(), file);
  std::fclose(file);
  // Renamed into place, so a reader never sees half a marker.
  return std::rename(partial.c_str(), (folder + "started.marker").c_str()) == 0 ? 0 : 1;
}
