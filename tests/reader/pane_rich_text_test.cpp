// The rich-text reader: the form the program builds, what other rich text may hold, and arbitrary
// bytes, which must never crash or hang it.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/rich_text.h"
#include "reader/book_library.h"
#include "reader/book_text.h"
#include "reader/reading_pane.h"

namespace vt {
namespace {

TEST(RichTextReader, ReadsTheFormsItMeets) {
  struct Case {
    const char* rtf;
    const char* text;
    int spacing;
  } cases[] = {
      {"{\\rtf1\\expndtw360\\expnd72 A\\par B\\expnd0\\expndtw0}", "A\nB", 360},
      {"{\\rtf1\\expnd72 A}", "A", 360},  // quarter points
      {"{\\rtf1\\expndtw-40 A}", "A", -40},
      {"{\\rtf1 plain}", "plain", 0},
      {"{\\rtf1 a\\{b\\}c\\\\d}", "a{b}c\\d", 0},
      {"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}\\f0\\cf1 Red}", "Red", 0},
      {"{\\rtf1{\\*\\generator Writer;}{\\*\\unknowndest hidden}shown}", "shown", 0},
      {"{\\rtf1 \\b bold\\b0  \\i it\\i0\\line x\\tab y}", "bold it\nx\ty", 0},
      {"{\\rtf1 caf\\'e9 \\u8364? end}", "caf\xC3\xA9 \xE2\x82\xAC end", 0},
      {"{\\rtf1 one\r\ntwo\\\r\nthree}", "onetwo\nthree", 0},
      {"{\\rtf1 {\\expndtw100 inner} outer}", "inner outer", 100},
      {"{\\rtf1 unbalanced}}}} {{{", "unbalanced ", 0},
      {"{\\rtf1 trailing\\", "trailing", 0},
      {"{\\rtf1 \\unknownword123 \\x-5 z}", "z", 0},
  };
  for (const Case& c : cases) {
    RichText read = ReadRichText(c.rtf);
    EXPECT_EQ(read.text, c.text) << c.rtf;
    EXPECT_EQ(read.letterSpacingTwips, c.spacing) << c.rtf;
  }
}

TEST(RichTextReader, EscapingRoundTripsEveryByte) {
  std::string all;
  for (int b = 32; b < 127; ++b) all += static_cast<char>(b);
  EXPECT_EQ(ReadRichText("{\\rtf1 " + EscapeRichText(all) + "}").text, all);
  EXPECT_EQ(LinesFromWideSpacingText(WideSpacingText("x\\y\r\n{z}\r\n\r\n")), "x\\y\r\n{z}\r\n\r\n");
  // a book of tens of megabytes, whose rich text gets its memory made ready beforehand
  const std::string large(20 << 20, 'a');
  EXPECT_EQ(LinesFromWideSpacingText(WideSpacingText(large)), large);
}

TEST(RichTextReader, SurvivesHostileShapes) {
  std::string deep(200000, '{');
  EXPECT_EQ(ReadRichText(deep + "x" + std::string(200000, '}')).text, "x");
  EXPECT_EQ(ReadRichText("{\\rtf1\\expndtw99999999999999999999 a}").letterSpacingTwips, 2147483647);
  EXPECT_EQ(ReadRichText("{\\rtf1\\expnd-99999999999 a}").letterSpacingTwips, -2147483647 - 1);
  EXPECT_EQ(ReadRichText(std::string("\\") + std::string(100000, 'a')).text, "");
  EXPECT_EQ(ReadRichText("\\uc99999 \\u65 ABC").text, "A");  // skips are capped, not unbounded
  EXPECT_EQ(ReadRichText("\\'zz\\'4").text, "zz4");
  EXPECT_EQ(ReadRichText(std::string("a\0b", 3)).text, "ab");
}

// Random inputs drawn mostly from the characters rich text gives meaning to.
std::string RandomInput(std::mt19937& random, const std::string& alphabet, size_t maxLength) {
  std::string s(random() % maxLength, ' ');
  for (char& c : s) c = random() % 4 ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
  return s;
}

TEST(RichTextReader, ArbitraryBytesNeverCrashOrGrow) {
  std::mt19937 random(20261208);
  const std::string alphabet = "{}\\\\\\rtf1parexpndtwu-0123456789'abcdef* \r\n;?";
  for (int i = 0; i < 3000; ++i) {
    std::string input = RandomInput(random, alphabet, 2048);
    RichText read = ReadRichText(input);
    ASSERT_LE(read.text.size(), input.size() * 3) << i;
  }
}

TEST(BookPipeline, ArbitraryBytesGivePrintableTextAndNoLongRunsOfBlankLines) {
  std::mt19937 random(42);
  const std::string alphabet = "\r\n\r\n\r\n\t ab:;\xE2\x80\x9C\x7F";
  for (int i = 0; i < 3000; ++i) {
    std::string input = RandomInput(random, alphabet, 1024);
    for (int caseType : {0, 1, 2, 7}) {
      std::string text = CleanBookText(input, i % 2 == 0, caseType);
      ASSERT_LE(text.size(), input.size() * 3);
      ASSERT_EQ(text.find("\r\n\r\n\r\n"), std::string::npos) << i;
      // valid UTF-8 of printable characters and tabs, every line end CR LF: decoding keeps it as it is
      ASSERT_EQ(DecodeBookText(text), text) << i;
    }
  }
}

}  // namespace
}  // namespace vt
