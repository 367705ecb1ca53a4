// The first screen of a long text, shown before the whole text goes into the pane: which part of
// the text it is and where in that part the reader's place lies, by one rule for every back end.
// Positions are the pane's (see pane_positions.h). Pure; any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vt {

// Bytes [from, to) of the text hold the character at `charIndex` and about `aroundBytes` after it
// (and before it near the end of the text, where the last screen shows rows above it); `top` is
// that character's position within the part. The part begins at the character's paragraph, or,
// `fromTheCharacter`, at the character itself: a reading place is the first character of a row,
// and the rows from there on wrap alike in the part and in the whole text, so a pane that cannot
// scroll a text it has not shown yet shows the place without scrolling.
struct FirstScreenPart {
  std::size_t from, to;
  std::int64_t top;
};
FirstScreenPart FirstScreenPartOf(const std::string& utf8, int charIndex, std::size_t aroundBytes,
                                  bool fromTheCharacter = false);

}  // namespace vt
