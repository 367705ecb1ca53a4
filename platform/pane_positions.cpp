// The pane's positions of UTF-8 text (see pane_positions.h).
#include "platform/pane_positions.h"

#include <algorithm>
#include <cstring>

namespace vt {

std::size_t ParagraphBreakLength(std::string_view utf8, std::size_t i) {
  const auto c = static_cast<unsigned char>(utf8[i]);
  if (c > '\r' && c < 0xE2) return 0;  // most of a text, told at once
  if (c == '\n') return 1;
  if (c == '\r') return utf8.substr(i, 2) == "\r\n" ? 2 : 1;
  const std::string_view three = utf8.substr(i, 3);
  return three == "\u2028" || three == "\u2029" || three == "\uFDD0" || three == "\uFDD1" ? 3 : 0;
}

// A byte below 0x20 or from 0x80 on sets the high bit of its lane in word | (word - 0x20..).
std::size_t PrintableAsciiRun(std::string_view utf8, std::size_t i) {
  std::size_t end = i;
  for (std::uint64_t word; end + 8 <= utf8.size(); end += 8) {
    std::memcpy(&word, utf8.data() + end, 8);
    if (((word | (word - 0x2020202020202020ull)) & 0x8080808080808080ull) != 0) break;
  }
  while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) - 0x20u < 0x60u) ++end;
  return end - i;
}

std::size_t CountPanePositions(std::string_view utf8, std::size_t begin, std::size_t end, std::int64_t most,
                               std::int64_t& positions) {
  std::size_t i = begin;
  end = std::min(end, utf8.size());
  for (positions = 0; i < end && positions < most;) {
    if (const std::size_t n = std::min({PrintableAsciiRun(utf8, i), end - i, static_cast<std::size_t>(most - positions)})) {
      i += n;
      positions += static_cast<std::int64_t>(n);
      continue;
    }
    const PaneChar character = PaneCharAt(utf8, i);
    positions += character.positions;
    i += character.bytes;
  }
  return std::min(i, utf8.size());
}

// The bytes of a word whose top bit `mask` sets (it sets no other bits), counted.
static unsigned TopBitsSet(std::uint64_t mask) { return static_cast<unsigned>(((mask >> 7) * 0x0101010101010101ull) >> 56); }

// The top bit of each byte of the word that is `c`, exactly (no carry from one byte to the next).
static std::uint64_t BytesEqual(std::uint64_t word, unsigned char c) {
  const std::uint64_t x = word ^ (0x0101010101010101ull * c), low = 0x7F7F7F7F7F7F7F7Full;
  return ~(((x & low) + low) | x) & ~low;
}

// Eight bytes at a time by their kind: a byte that does not continue a character is one position,
// a lead of four bytes one more, a LF after a CR one less. The bytes of a word are taken in memory
// order, as on every processor the reader runs on.
std::int64_t PanePositionsOfWellFormed(std::string_view utf8) {
  constexpr std::uint64_t kTop = 0x8080808080808080ull;
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t size = utf8.size();
  std::int64_t positions = 0;
  std::uint64_t returnBefore = 0;  // the top bit of the first byte set when the byte before the word is a CR
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    const std::uint64_t continuation = word & ~(word << 1) & kTop;  // 10xxxxxx
    const std::uint64_t fourByteLead = word & (word << 1) & (word << 2) & (word << 3) & kTop;  // 1111xxxx
    const std::uint64_t returns = BytesEqual(word, '\r');
    const std::uint64_t lineFeedsAfterReturn = BytesEqual(word, '\n') & ((returns << 8) | returnBefore);
    returnBefore = returns >> 56;
    positions += 8 - static_cast<std::int64_t>(TopBitsSet(continuation)) + TopBitsSet(fourByteLead) - TopBitsSet(lineFeedsAfterReturn);
  }
  for (; i < size; ++i) {
    const unsigned b = bytes[i];
    positions += ((b & 0xC0u) != 0x80u) + (b >= 0xF0u) - (b == '\n' && i > 0 && bytes[i - 1] == '\r');
  }
  return positions;
}

std::int32_t PanePositionsOf(std::string_view utf8) {
  std::int64_t positions = 0;
  CountPanePositions(utf8, 0, utf8.size(), INT32_MAX, positions);
  return static_cast<std::int32_t>(positions);
}

}  // namespace vt
