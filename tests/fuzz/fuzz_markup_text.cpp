// Arbitrary bytes as an HTML page: the book made of it is clean text (valid UTF-8, printable
// characters, CR LF line ends) with a title line, and every ">>" in it starts a line, so that only
// headings are chapter stops.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "reader/book_formats.h"
#include "reader/book_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  if (vt::ConvertBook(bytes, "page.html", text) != vt::BookFormat::Html) return 0;
  if (vt::DecodeBookText(text) != text) std::abort();
  if (text.empty() || text.starts_with("\r\n")) std::abort();  // a title line, if only the file's name
  for (size_t at = text.find(">>"); at != std::string::npos; at = text.find(">>", at + 1))
    if (at != 0 && text.compare(at - 2, 2, "\r\n") != 0) std::abort();
  return 0;
}
