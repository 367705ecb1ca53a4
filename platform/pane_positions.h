// How UTF-8 text counts as positions of the pane, on every system: a paragraph break (CR LF, a
// lone CR, a lone LF) is one position, a character beyond U+FFFF two (its two UTF-16 units), any
// other character one. Every place that maps a text's bytes to the pane's positions (the reader's
// place, the shelf's lines, a book's opening, the first screen, the reading aloud, the pane itself)
// walks with these. The texts the program shows are well-formed UTF-8; a stray byte counts one.
// Pure; any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vt {

// The bytes of the character at utf8[i] (a CR LF is one) and the pane positions it takes.
struct PaneChar {
  std::size_t bytes;
  std::int32_t positions;
};
inline PaneChar PaneCharAt(std::string_view utf8, std::size_t i) {
  const auto c = static_cast<unsigned char>(utf8[i]);
  std::size_t bytes = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') bytes = 2;
  if (bytes > utf8.size() - i) bytes = utf8.size() - i;  // a character cut off at the end
  return PaneChar{bytes, bytes == 4 ? 2 : 1};
}

// The bytes of the paragraph break at utf8[i], or 0 where none starts: CR LF, a lone CR or LF,
// and the line and paragraph separators and the two marks a text widget takes for one (U+2028,
// U+2029, U+FDD0, U+FDD1), which the pane shows as breaks too.
std::size_t ParagraphBreakLength(std::string_view utf8, std::size_t i);

// The length of the run of printable ASCII at utf8[i], most of a book, found eight bytes at a time.
std::size_t PrintableAsciiRun(std::string_view utf8, std::size_t i);

// Counts the pane positions of UTF-8 text from byte `begin` (a character's start) up to byte `end`
// or `most` positions; returns the byte reached, `positions` the count.
std::size_t CountPanePositions(std::string_view utf8, std::size_t begin, std::size_t end, std::int64_t most,
                               std::int64_t& positions);

// The pane positions of all of a UTF-8 text, at most INT32_MAX.
std::int32_t PanePositionsOf(std::string_view utf8);

// PanePositionsOf for well-formed UTF-8, without its limit, several times as fast on any text (a
// stray byte may count otherwise): for counts of hundreds of megabytes.
std::int64_t PanePositionsOfWellFormed(std::string_view utf8);

}  // namespace vt
