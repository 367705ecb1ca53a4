// Arbitrary bytes as a downloaded digest file and as a downloaded program: the checks return, a
// published digest is 64 lower-case hex digits or nothing, and only bytes that begin with an ELF
// header can pass as a program for this machine.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/online_update.h"
#include "platform/download.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string digest = vt::PublishedDigest(input);
  if (!digest.empty() && (digest.size() != 64 || digest.find_first_not_of("0123456789abcdef") != std::string::npos))
    std::abort();
  if (vt::IsExecutableForThisMachine(input) && input.compare(0, 4, "\x7f" "ELF") != 0) std::abort();
  if (vt::Sha256Hex(input).size() != 64) std::abort();
  return 0;
}
