// The part of a long text its first screen shows (see first_screen.h).
#include "platform/first_screen.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"

namespace vt {

// A byte below 0x20 or from 0x80 on sets the high bit of its lane in word | (word - 0x20..).
std::size_t PrintableAsciiRun(const std::string& utf8, std::size_t i) {
  std::size_t end = i;
  for (std::uint64_t word; end + 8 <= utf8.size(); end += 8) {
    std::memcpy(&word, utf8.data() + end, 8);
    if (((word | (word - 0x2020202020202020ull)) & 0x8080808080808080ull) != 0) break;
  }
  while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) - 0x20u < 0x60u) ++end;
  return end - i;
}

std::size_t CountPaneChars(const std::string& utf8, std::size_t begin, std::size_t end, std::int64_t most,
                           std::int64_t& chars) {
  std::size_t i = begin;
  end = std::min(end, utf8.size());
  for (chars = 0; i < end && chars < most;) {
    if (const std::size_t n = std::min({PrintableAsciiRun(utf8, i), end - i, static_cast<std::size_t>(most - chars)})) {
      i += n;
      chars += static_cast<std::int64_t>(n);
      continue;
    }
    const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(utf8, i));
    chars += length == 4 ? 2 : 1;
    i += utf8.compare(i, 2, "\r\n") == 0 ? 2 : length;
  }
  return std::min(i, utf8.size());
}

FirstScreenPart FirstScreenPartOf(const std::string& utf8, int charIndex, std::size_t aroundBytes,
                                  bool fromTheCharacter) {
  std::int64_t reached = 0;  // the characters before `at`: `charIndex`, unless the text is shorter
  const std::size_t at = CountPaneChars(utf8, 0, utf8.size(), std::max(0, charIndex), reached);
  // Text before the character's paragraph is wanted only near the end, where the last screen
  // shows rows above it; elsewhere the first row shown is the character's.
  const std::size_t before = utf8.size() - at > aroundBytes ? at : at - std::min(at, aroundBytes);
  const std::size_t lineStart = before == 0 ? std::string::npos : utf8.rfind('\n', before);
  const std::size_t paragraph = lineStart == std::string::npos ? 0 : lineStart + 1;
  const std::size_t from = fromTheCharacter && before == at ? at : paragraph;
  const std::size_t to = std::min(utf8.find_first_of("\r\n", std::min(utf8.size(), at + aroundBytes)), utf8.size());
  std::int64_t shownBefore = 0;  // the characters of the part that come before `at`
  CountPaneChars(utf8, from, at, INT64_MAX, shownBefore);
  return FirstScreenPart{from, to, std::max<std::int64_t>(0, shownBefore + charIndex - reached)};
}

}  // namespace vt
