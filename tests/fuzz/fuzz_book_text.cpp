// Arbitrary bytes through the loading pipeline: the cleaned text is valid UTF-8 of printable
// characters with CR LF line ends, never more than one blank line in a row, no paragraph longer
// than the pane's bound, and its wide-spacing rich text turns back into it. Decoding bytes it may
// take gives what decoding a copy gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "reader/book_library.h"
#include "reader/book_text.h"
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
  if (vt::DecodeBookText(std::string(raw)) != vt::DecodeBookText(raw)) std::abort();
  std::string text = vt::CleanBookText(raw, reflow, caseType);
  if (text.find("\r\n\r\n\r\n") != std::string::npos) std::abort();
  if (vt::DecodeBookText(text) != text) std::abort();
  for (size_t from = 0;;) {
    size_t end = text.find("\r\n", from);
    if ((end == std::string::npos ? text.size() : end) - from > vt::LongestParagraph) std::abort();
    if (end == std::string::npos) break;
    from = end + 2;
  }
  if (!HasLoneLineEnd(text) && vt::LinesFromWideSpacingText(vt::WideSpacingText(text)) != text) std::abort();
  return 0;
}
