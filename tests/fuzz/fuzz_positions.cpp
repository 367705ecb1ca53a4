// Fuzzes the reading positions file: any bytes (and any cut at the size cap) must read without a
// crash or a hang; what is read, once written, must read back to the same entries, path for path
// and byte for byte, and be written the same again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "reader/own_books.h"

static bool Same(const std::vector<vt::BookFilePosition>& a, const std::vector<vt::BookFilePosition>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].path != b[i].path || a[i].position != b[i].position) return false;
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool cut = data[0] & 1;
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<vt::BookFilePosition> read = vt::ReadBookPositionsText(bytes, cut);
  std::string written = vt::BookPositionsText(read);
  std::vector<vt::BookFilePosition> again = vt::ReadBookPositionsText(written, false);
  if (!Same(read, again)) std::abort();
  if (vt::BookPositionsText(again) != written) std::abort();
  return 0;
}
