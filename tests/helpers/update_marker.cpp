// Stands in for a newer release in the update tests: when started it leaves "started.marker"
// beside itself, holding the path it was started from.
#include <cstdio>
#include <string>
#include <unistd.h>

int main() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return 1;
  std::string self(buffer, static_cast<size_t>(n));
  std::string folder = self.substr(0, self.rfind('/') + 1);
  std::string partial = folder + "started.marker.part";
  FILE* file = std::fopen(partial.c_str(), "w");
  if (!file) return 1;
  std::fputs(self.c_str(), file);
  std::fclose(file);
  // Renamed into place, so a reader never sees half a marker.
  return std::rename(partial.c_str(), (folder + "started.marker").c_str()) == 0 ? 0 : 1;
}
