// A book's text on its way from the file's bytes to the pane: decoding, the characters kept, the
// line ends, and the bound on a paragraph's length that keeps the pane's layout fast.
#pragma once
#include <cstddef>
#include <string>

namespace vt {

// The longest paragraph the pane is given, in bytes; every built-in book stays below it.
constexpr size_t LongestParagraph = 16384;

// The file's bytes as UTF-8: a UTF-8 or UTF-16 byte-order mark decides, else valid UTF-8 is taken
// as it is, else the bytes are Windows-1252. Every printable character and the tab are kept, every
// other control character is dropped, and each line end (CR LF, a lone CR or a lone LF, a Unicode
// line or paragraph separator) becomes CR LF.
std::string DecodeBookText(const std::string& bytes);
// The same, taking the bytes: a text that decoding leaves as it is (UTF-8 with CR LF line ends, as
// Project Gutenberg writes its books) becomes the book itself, not a copy of it.
std::string DecodeBookText(std::string&& bytes);

// The same for bytes whose encoding a document declares; a byte-order mark still decides first.
// ISO-8859-1 is read as Windows-1252, as browsers do.
enum class TextEncoding { Guess, Utf8, Utf16LE, Utf16BE, Windows1252 };
std::string DecodeBookText(const std::string& bytes, TextEncoding encoding);

// Appends one character (any code point) to UTF-8 text.
void AppendCodePoint(std::string& out, char32_t code);

// The first line of a decoded text, fit for a title: no tab, at most 259 UTF-16 units.
std::string TitleLine(const std::string& text);

// Splits every paragraph (text between CR LF) longer than LongestParagraph: at the last sentence
// end within the bound, else at the last blank (which becomes the line end), else at a character
// boundary.
void SplitLongParagraphs(std::string& text);

}  // namespace vt
