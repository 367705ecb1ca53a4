// A book's text from bytes to the pane's paragraphs. Decoding walks the bytes once, character by
// character, in the encoding the file declares or shows, and writes UTF-8 with only printable
// characters, tabs and CR LF line ends; plain ASCII books (the built-in ones) come out byte for byte.
// A file already in that form (a Project Gutenberg text) is only checked, one pass eight bytes at a
// time over its plain runs, and its bytes become the book: a copy of hundreds of megabytes less.
// The paragraph bound exists because the pane lays out a paragraph as one piece: a book of one
// endless paragraph (no line ends, or every line joined) would take seconds to show and scroll.
#include "reader/book_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/files.h"

namespace vt {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 characters of the bytes 0x80 ... 0x9F; the five bytes the code page leaves unused
// keep their C1 control code, which the filter then drops.
const char16_t kWindows1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// The character of the UTF-8 sequence at s[i]; advances i. False, with i one byte on, when the
// bytes there are no valid sequence (a stray byte, a cut, an overlong form or a surrogate).
bool NextUtf8(const std::string& s, size_t& i, char32_t& code) {
  const auto c = static_cast<unsigned char>(s[i]);
  const size_t length = c < 0x80 ? 1 : c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
  if (length == 0 || i + length > s.size()) {
    ++i;
    return false;
  }
  char32_t value = length == 1 ? c : c & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return false;
    }
    value = (value << 6) | (b & 0x3F);
  }
  const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
  if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++i;
    return false;
  }
  i += length;
  code = value;
  return true;
}

bool IsValidUtf8(const std::string& s) {
  size_t i = 0;
  char32_t code;
  while (i < s.size()) {
    // plain ASCII eight bytes at a time: books are mostly that
    uint64_t word;
    if (i + 8 <= s.size() && (std::memcpy(&word, s.data() + i, 8), (word & 0x8080808080808080ull) == 0)) {
      i += 8;
      continue;
    }
    if (!NextUtf8(s, i, code)) return false;
  }
  return true;
}

// Whether the book keeps a character other than a line end or a tab as it is written.
bool KeptAsWritten(char32_t code) {
  return (code >= 0x20 && code < 0x7F) || (code >= 0xA0 && code != 0x2028 && code != 0x2029 &&
                                           !(code >= 0xFDD0 && code <= 0xFDEF) && (code & 0xFFFE) != 0xFFFE && code != 0xFEFF);
}

// Whether eight bytes are all printable ASCII: none has its high bit set, none is below a blank
// (the byte less 0x20 borrows), none is DEL (the byte XOR 0x7F is zero).
bool AllPlain(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
  const uint64_t belowBlank = (word - 0x20 * kOnes) & ~word & kHigh;
  const uint64_t del = ((word ^ 0x7F * kOnes) - kOnes) & ~(word ^ 0x7F * kOnes) & kHigh;
  return ((word & kHigh) | belowBlank | del) == 0;
}

// Whether decoding gives back the bytes from `from` on unchanged: well-formed UTF-8 of characters
// the book keeps as written, tabs, and line ends that are all CR LF already.
bool DecodesToItself(const std::string& s, size_t from) {
  char32_t code;
  for (size_t i = from; i < s.size();) {
    uint64_t word;
    if (i + 8 <= s.size() && (std::memcpy(&word, s.data() + i, 8), AllPlain(word))) {
      i += 8;
    } else if (s[i] == '\t') {
      ++i;
    } else if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      i += 2;
    } else if (!NextUtf8(s, i, code) || !KeptAsWritten(code)) {
      return false;
    }
  }
  return true;
}

// Writes what the book keeps of one character: line ends as CR LF (an LF right after a CR adds
// nothing), tabs and printable characters as they are, nothing of a control character, of the
// characters the text widget reserves for itself, or of U+FEFF (an invisible byte-order mark that,
// once at the start of the kept text, would be read as the mark of its encoding next time).
class KeptText {
 public:
  explicit KeptText(size_t sizeHint) { ReserveLargeText(out, sizeHint + sizeHint / 64 + 16); }

  void Add(char32_t code) {
    const bool lineFeedOfPair = code == '\n' && afterCarriageReturn;
    afterCarriageReturn = code == '\r';
    if (lineFeedOfPair) return;
    if (code == '\r' || code == '\n' || code == 0x2028 || code == 0x2029) {
      out += "\r\n";
    } else if (code == '\t' || KeptAsWritten(code)) {
      AppendCodePoint(out, code);
    }
  }

  // A run of printable ASCII characters, taken as it is.
  void AddPlain(const char* run, size_t length) {
    out.append(run, length);
    afterCarriageReturn = false;
  }

  std::string out;

 private:
  bool afterCarriageReturn = false;
};

bool IsPlain(unsigned char c) { return c >= 0x20 && c < 0x7F; }

std::string FromUtf8(const std::string& bytes, size_t from) {
  KeptText kept(bytes.size());
  char32_t code = 0;
  for (size_t i = from; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (IsPlain(c)) {
      size_t end = i + 1;
      while (end < bytes.size() && IsPlain(static_cast<unsigned char>(bytes[end]))) ++end;
      kept.AddPlain(bytes.data() + i, end - i);
      i = end;
    } else if (c < 0x80) {
      kept.Add(c);
      ++i;
    } else {
      kept.Add(NextUtf8(bytes, i, code) ? code : kReplacement);
    }
  }
  return std::move(kept.out);
}

std::string FromUtf16(const std::string& bytes, bool littleEndian, size_t from) {
  KeptText kept(bytes.size() / 2);
  auto unitAt = [&](size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(littleEndian ? a | (b << 8) : (a << 8) | b);
  };
  for (size_t i = from; i + 1 < bytes.size(); i += 2) {
    char32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        kept.Add(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    kept.Add(unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);  // a lone half of a pair
  }
  return std::move(kept.out);
}

// What the book keeps of each byte of Windows-1252 text, made by KeptText itself so the two never
// disagree: up to three bytes of UTF-8, and how many. An LF right after a CR is left to the caller.
struct KeptByte {
  char utf8[3];
  unsigned char length;
};

const std::array<KeptByte, 256>& Windows1252Table() {
  static const std::array<KeptByte, 256> table = [] {
    std::array<KeptByte, 256> made{};
    for (unsigned byte = 0; byte < 256; ++byte) {
      KeptText kept(0);
      kept.Add(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
      std::copy(kept.out.begin(), kept.out.end(), made[byte].utf8);
      made[byte].length = static_cast<unsigned char>(kept.out.size());
    }
    return made;
  }();
  return table;
}

// A random binary file of hundreds of megabytes reads as Windows-1252: it is decoded in two passes
// of a table look-up a byte, one that counts the bytes it becomes and one that writes them straight
// into the text, which is made once at its size.
std::string FromWindows1252(const std::string& bytes) {
  const std::array<KeptByte, 256>& table = Windows1252Table();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t size = bytes.size();
  auto keptLength = [&](size_t i) { return in[i] == '\n' && i > 0 && in[i - 1] == '\r' ? 0u : table[in[i]].length; };
  size_t length = 0;
  for (size_t i = 0; i < size; ++i) length += keptLength(i);
  std::string text;
  // the room SplitLongParagraphs asks for (a byte in LongestParagraph / 4), so that the line ends it
  // may add do not move the text to a larger copy
  ReserveLargeText(text, length + length / (LongestParagraph / 4) + 64);
  text.resize(length + sizeof(KeptByte));  // each byte writes a whole entry; the next overwrites the rest
  char* out = text.data();
  for (size_t i = 0; i < size; ++i) {
    std::memcpy(out, &table[in[i]], sizeof(KeptByte));
    out += keptLength(i);
  }
  text.resize(length);
  return text;
}

bool StartsWith(const std::string& bytes, const char* mark) { return bytes.rfind(mark, 0) == 0; }

// The sentence end or blank at which a paragraph that starts at `from` is split, searched back from
// the bound over its second half; npos when there is neither.
size_t SplitBlank(std::string_view text, size_t from) {
  const size_t limit = from + LongestParagraph, earliest = from + LongestParagraph / 2;
  size_t blank = std::string::npos;
  for (size_t i = limit; i > earliest; --i) {
    if (text[i] != ' ') continue;
    if (std::strchr(".!?", text[i - 1])) return i;
    if (blank == std::string::npos) blank = i;
  }
  return blank;
}

// Writes the paragraph text[from, end) at `out` in pieces no longer than the bound; returns the
// new end. The pieces are moved, not copied: `out` may lie within the text, before `from`.
char* WriteSplit(char* out, std::string_view text, size_t from, size_t end) {
  auto write = [&out](const char* bytes, size_t n) {
    std::memmove(out, bytes, n);
    out += n;
  };
  while (end - from > LongestParagraph) {
    size_t blank = SplitBlank(text, from);
    // the blank becomes the line end, so no position after it moves
    size_t cut = blank != std::string::npos ? blank : from + LongestParagraph;
    while (blank == std::string::npos && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    write(text.data() + from, cut - from);
    write("\r\n", 2);
    from = blank != std::string::npos ? cut + 1 : cut;
  }
  write(text.data() + from, end - from);
  return out;
}

bool HasLongParagraph(const std::string& text) {
  for (size_t from = 0;;) {
    size_t end = text.find("\r\n", from);
    if ((end == std::string::npos ? text.size() : end) - from > LongestParagraph) return true;
    if (end == std::string::npos) return false;
    from = end + 2;
  }
}

}  // namespace

std::string DecodeBookText(const std::string& bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) return FromUtf8(bytes, 3);
  if (StartsWith(bytes, "\xFF\xFE")) return FromUtf16(bytes, true, 2);
  if (StartsWith(bytes, "\xFE\xFF")) return FromUtf16(bytes, false, 2);
  return IsValidUtf8(bytes) ? FromUtf8(bytes, 0) : FromWindows1252(bytes);
}

std::string DecodeBookText(std::string&& bytes) {
  const size_t mark = StartsWith(bytes, "\xEF\xBB\xBF") ? 3 : 0;
  if (!DecodesToItself(bytes, mark)) return DecodeBookText(bytes);
  bytes.erase(0, mark);
  return std::move(bytes);
}

std::string DecodeBookText(const std::string& bytes, TextEncoding encoding) {
  const bool marked = StartsWith(bytes, "\xEF\xBB\xBF") || StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF");
  if (marked || encoding == TextEncoding::Guess) return DecodeBookText(bytes);
  if (encoding == TextEncoding::Utf8) return FromUtf8(bytes, 0);
  if (encoding == TextEncoding::Windows1252) return FromWindows1252(bytes);
  return FromUtf16(bytes, encoding == TextEncoding::Utf16LE, 0);
}

void AppendCodePoint(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}


std::string TitleLine(const std::string& text) {
  std::string line = text.substr(0, std::min<size_t>(text.find("\r\n"), 259 * 4));
  for (char& c : line)
    if (c == '\t') c = ' ';
  return CutToUtf16Units(line, 259);
}

void SplitLongParagraphs(std::string& text) {
  if (!HasLongParagraph(text)) return;
  // Each split adds at most two bytes and takes at least half the bound: the text moves up by more
  // than it can grow and is written back from the start, so the writing never overtakes the
  // reading and a large book is not copied a second time.
  const size_t size = text.size(), room = size / (LongestParagraph / 4) + 4;
  text.resize(size + room);
  std::memmove(text.data() + room, text.data(), size);
  const std::string_view in(text.data() + room, size);
  char* out = text.data();
  for (size_t from = 0;;) {
    size_t end = in.find("\r\n", from);
    out = WriteSplit(out, in, from, end == std::string::npos ? size : end);
    if (end == std::string::npos) break;
    out = std::copy_n("\r\n", 2, out);
    from = end + 2;
  }
  text.resize(static_cast<size_t>(out - text.data()));
}

}  // namespace vt
