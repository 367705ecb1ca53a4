// Arbitrary bytes through the loading pipeline: the cleaned text holds only plain characters and
// never more than one blank line in a row, and its wide-spacing rich text turns back into it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "reader/book_library.h"
#include "reader/reading_pane.h"

static bool HasLoneLineEnd(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n')) return true;
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return true;
  }
  return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string raw(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool reflow = data[0] & 1;
  const int caseType = (data[0] >> 1) % 4;
  std::string text = vt::CleanBookText(raw, reflow, caseType);
  if (text.size() > raw.size()) std::abort();
  if (text.find("\r\n\r\n\r\n") != std::string::npos) std::abort();
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    if (!(b == 9 || b == 10 || b == 13 || (b >= 32 && b <= 126))) std::abort();
  }
  if (!HasLoneLineEnd(text) && vt::LinesFromWideSpacingText(vt::WideSpacingText(text)) != text) std::abort();
  return 0;
}
