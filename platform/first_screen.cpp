// The part of a long text its first screen shows (see first_screen.h).
#include "platform/first_screen.h"

#include <algorithm>
#include <cstring>

#include "platform/pane_positions.h"

namespace vt {

FirstScreenPart FirstScreenPartOf(const std::string& utf8, int charIndex, std::size_t aroundBytes,
                                  bool fromTheCharacter) {
  std::int64_t reached = 0;  // the characters before `at`: `charIndex`, unless the text is shorter
  const std::size_t at = CountPanePositions(utf8, 0, utf8.size(), std::max(0, charIndex), reached);
  // Text before the character's paragraph is wanted only near the end, where the last screen
  // shows rows above it; elsewhere the first row shown is the character's.
  const std::size_t before = utf8.size() - at > aroundBytes ? at : at - std::min(at, aroundBytes);
  const std::size_t lineStart = before == 0 ? std::string::npos : utf8.rfind('\n', before);
  const std::size_t paragraph = lineStart == std::string::npos ? 0 : lineStart + 1;
  const std::size_t from = fromTheCharacter && before == at ? at : paragraph;
  const std::size_t to = std::min(utf8.find_first_of("\r\n", std::min(utf8.size(), at + aroundBytes)), utf8.size());
  std::int64_t shownBefore = 0;  // the characters of the part that come before `at`
  CountPanePositions(utf8, from, at, INT64_MAX, shownBefore);
  return FirstScreenPart{from, to, std::max<std::int64_t>(0, shownBefore + charIndex - reached)};
}

}  // namespace vt
