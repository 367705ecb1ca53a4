// Arbitrary bytes as rich text: the reader must return, and never grow the text beyond what three
// UTF-8 bytes per input byte can hold; escaped text must read back as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rich_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  vt::RichText read = vt::ReadRichText(input);
  if (read.text.size() > input.size() * 3) std::abort();

  std::string printable;
  for (char c : input)
    if (c >= 32 && c < 127) printable += c;
  if (vt::ReadRichText("{\\rtf1 " + vt::EscapeRichText(printable) + "}").text != printable) std::abort();
  return 0;
}
