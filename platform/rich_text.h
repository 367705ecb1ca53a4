// Our own small reader of the rich text the program builds (and of any window text that begins
// with "{\rtf"): groups, \rtf1, \par, \expndtw N and \expnd N; every other control word is skipped.
// Any input is accepted: the reader never recurses and reads each byte once.
#pragma once
#include <string>
#include <string_view>

namespace vt {

struct RichText {
  std::string text;         // UTF-8 text; '\n' at each paragraph break
  int letterSpacingTwips;   // the character spacing in force at the first character (twips)
};

// Reads rich text into its plain text and its letter spacing.
RichText ReadRichText(const std::string& rtf);

// Appends text with the characters rich text reserves ("\", "{", "}") escaped by a backslash.
void AppendEscapedRichText(std::string& out, std::string_view text);

inline std::string EscapeRichText(std::string_view text) {
  std::string out;
  AppendEscapedRichText(out, text);
  return out;
}

}  // namespace vt
