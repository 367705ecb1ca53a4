// What the pane shows: plain text in and out, the wide-spacing rich text, window texts that are
// rich text, colours over streamed text, underline marks and the small-font command.
#include <future>

#include "platform/testing.h"
#include "platform/pane_positions.h"
#include "platform/rich_text.h"
#include "platform/scheme_colours.h"
#include "speech/reading_aloud.h"
#include "tests/reader/pane_fixture.h"

namespace vt::testing {
namespace {

using PaneText = PaneTest;

TEST_F(PaneText, EveryKindOfLineEndIsOneParagraphBreak) {
  PaneSetPlainText(PaneWindow, "one\r\ntwo\rthree\nfour");
  EXPECT_EQ(Shown(), "one\r\ntwo\r\nthree\r\nfour");
  EXPECT_EQ(PaneTextLength(PaneWindow), 18);  // each break counts once
  EXPECT_EQ(PaneLineCount(PaneWindow), 4);
  // Accented text reads back the same way; a line separator is a break as well.
  PaneSetPlainText(PaneWindow, "caf\xC3\xA9\r\nna\xC3\xAFve\xE2\x80\xA8" "end");
  EXPECT_EQ(Shown(), "caf\xC3\xA9\r\nna\xC3\xAFve\r\nend");
  EXPECT_EQ(PaneLineCount(PaneWindow), 3);
  // The same text in capitals takes the letters' places: shown and laid out anew (capitals are wider).
  int x0 = 0, x1 = 0, y = 0;
  PanePosFromChar(PaneWindow, 3, x0, y);
  PaneSetPlainText(PaneWindow, "CAF\xC3\x89\r\nNA\xC3\x8FVE\r\nEND");
  EXPECT_EQ(Shown(), "CAF\xC3\x89\r\nNA\xC3\x8FVE\r\nEND");
  PanePosFromChar(PaneWindow, 3, x1, y);
  EXPECT_GT(x1, x0);
  // Texts whose shape differs only after their first letters are shown whole, as given.
  for (const char* other : {"CAFE\r\nNAIVE\r\nENDS", "CAFEN\r\nAIVE\r\nEND", "caf\r\n\xC3\xA9naive\r\nend"}) {
    PaneSetPlainText(PaneWindow, other);
    EXPECT_EQ(Shown(), other);
  }
  PaneSetPlainText(PaneWindow, "");
  EXPECT_EQ(PaneTextLength(PaneWindow), 0);
  EXPECT_EQ(PaneLineCount(PaneWindow), 1);
}

// The pane counts and reads back a text as the program's own position rule does, whatever its
// characters and however long its paragraphs (one spans several of the document's blocks).
TEST_F(PaneText, PositionsAndReadBackFollowTheOneRule) {
  std::string longParagraph;
  while (longParagraph.size() < 15000) longParagraph += "caf\xC3\xA9 na\xC3\xAFve \xF0\x9F\x98\x80 words ";
  const struct {
    std::string text, readBack;
  } cases[] = {
      {"plain", "plain"},
      {"a\r\nb\rc\nd", "a\r\nb\r\nc\r\nd"},
      {"\xF0\x9F\x98\x80\r\n\xE2\x80\xA9x", "\xF0\x9F\x98\x80\r\n\r\nx"},
      {longParagraph, longParagraph},
      {"T\r\n" + longParagraph + "\r\n" + longParagraph + longParagraph + "\nend",
       "T\r\n" + longParagraph + "\r\n" + longParagraph + longParagraph + "\r\nend"},
  };
  for (const auto& c : cases) {
    PaneSetPlainText(PaneWindow, c.text);
    EXPECT_EQ(PaneTextLength(PaneWindow), PanePositionsOf(c.text)) << c.text.substr(0, 20);
    EXPECT_EQ(PanePositionsOfWellFormed(c.text), PanePositionsOf(c.text)) << c.text.substr(0, 20);
    EXPECT_EQ(Shown(), c.readBack) << c.text.substr(0, 20);
  }
  // the fast count, with breaks and characters of every length at every place in its words of eight
  for (size_t shift = 0; shift < 9; ++shift) {
    const std::string text = std::string(shift, 'x') + "\r\n\xF0\x9F\x98\x80\r\r\n\n\xC3\xA9\xE2\x82\xAC\r\n" + longParagraph.substr(0, 21) + " and the last words";
    EXPECT_EQ(PanePositionsOfWellFormed(text), PanePositionsOf(text)) << shift;
  }
}

// A text prepared on another thread shows as the text given: the prepared one where it was made
// of that very string in those letters, the string given in the letters asked for otherwise.
TEST_F(PaneText, APreparedTextShowsAsTheTextGiven) {
  const std::string book = "Caf\xC3\xA9 one\r\ntwo", copy = book;
  const struct {
    PaneLetters made, shown;
    const std::string& given;
    const char* expected;
  } cases[] = {
      {PaneLetters::AsWritten, PaneLetters::AsWritten, book, "Caf\xC3\xA9 one\r\ntwo"},
      {PaneLetters::Capitals, PaneLetters::Capitals, book, "CAF\xC3\x89 ONE\r\nTWO"},
      {PaneLetters::Capitals, PaneLetters::Small, book, "caf\xC3\xA9 one\r\ntwo"},
      {PaneLetters::Small, PaneLetters::Capitals, copy, "CAF\xC3\x89 ONE\r\nTWO"},
  };
  for (const auto& c : cases) {
    auto prepared = std::async(std::launch::async, [&] { return PanePrepareText(book, c.made); }).get();
    PaneSetPreparedText(PaneWindow, prepared, c.given, 0, c.shown);
    EXPECT_EQ(Shown(), c.expected);
    EXPECT_EQ(PaneLineCount(PaneWindow), 2);
  }
}

// The first screen alone shows the rows the whole text shows there, with the caret in the same
// place: whatever comes before the character (accents, a character beyond U+FFFF, every kind of
// line end), near the end of the text too, where the last screen shows rows above it, and widely
// spaced.
TEST_F(PaneText, TheFirstScreenShowsTheRowsOfTheWholeText) {
  std::string book;
  for (int i = 0; i < 2000; ++i)
    book += "Verse " + std::to_string(i) + (i % 3 ? " caf\xC3\xA9 \xF0\x9F\x98\x80" : "\r") +
            " and then enough words to wrap the row at least once more" + (i % 7 ? "\r\n" : "\n\n\xE2\x80\xA8");
  PaneSetPlainText(PaneWindow, book);
  const int length = PaneTextLength(PaneWindow);
  auto view = [](int& caretRow) {
    int caret = 0, end = 0;
    PaneGetSelection(PaneWindow, caret, end);
    caretRow = PaneScreenRowOfChar(PaneWindow, caret);
    std::vector<int> rows{caret - PaneCharAtScreenRow(PaneWindow, caretRow)};
    for (int row = 1; row < PaneScreenRows(PaneWindow) && PaneCharAtScreenRow(PaneWindow, row) >= 0; ++row)
      rows.push_back(PaneCharAtScreenRow(PaneWindow, row) - PaneCharAtScreenRow(PaneWindow, row - 1));
    return rows;
  };
  for (int spacing : {0, 360})
    for (int index : {0, 12345, length / 2 + 17, length - 40, length + 99}) {
      PaneSetPlainText(PaneWindow, book, spacing);
      PaneSetSelection(PaneWindow, std::min(index, length), std::min(index, length));
      PaneScrollCharToTop(PaneWindow, index);
      int wholeRow = 0, firstRow = 0;
      const std::vector<int> whole = view(wholeRow);
      PaneSetPlainText(PaneWindow, "");
      PaneShowFirstScreen(PaneWindow, book, index, spacing);
      EXPECT_LT(PaneTextLength(PaneWindow), length / 4) << index;
      EXPECT_EQ(view(firstRow), whole) << index << " spacing " << spacing;
      EXPECT_EQ(firstRow, wholeRow) << index << " spacing " << spacing;
    }
  PaneSetPlainText(PaneWindow, "after");
  EXPECT_EQ(Shown(), "after");
}

// A text kept aside under a short one comes back as whatever text follows: the same, in other
// letters, or another text altogether.
TEST_F(PaneText, ATextKeptAsideGivesWayToTheTextThatFollows) {
  for (const char* next : {"Book one\r\nline two", "BOOK ONE\r\nLINE TWO", "Other\r\ntext here"}) {
    PaneSetPlainText(PaneWindow, "Book one\r\nline two");
    PaneKeepTextAside(PaneWindow);
    PaneSetPlainText(PaneWindow, "A list");
    EXPECT_EQ(Shown(), "A list");
    PaneSetPlainText(PaneWindow, next, 360);
    EXPECT_EQ(Shown(), next);
    EXPECT_EQ(PaneLineCount(PaneWindow), 2);
    int x0 = 0, x1 = 0, y = 0;
    PanePosFromChar(PaneWindow, 0, x0, y);
    PanePosFromChar(PaneWindow, 1, x1, y);
    EXPECT_GT(x1 - x0, 18.0 * ScreenDpiY() / 72.0) << next;  // with the spacing asked for
  }
}

TEST_F(PaneText, WideSpacingStreamsTheExactRichTextAndShowsTwoSpacedParagraphs) {
  std::string narrow = "AB\r\nCD";
  SetPaneText(PaneWindow, narrow);
  int x0 = 0, x1 = 0, y = 0;
  PanePosFromChar(PaneWindow, 0, x0, y);
  PanePosFromChar(PaneWindow, 1, x1, y);
  int narrowAdvance = x1 - x0;

  WideSpacing = 1;
  std::string text = "A\r\nB";
  SetPaneText(PaneWindow, text);
  EXPECT_EQ(text, "{\\rtf1\\expndtw360\\expnd72 A\\par B\\expnd0\\expndtw0}");
  EXPECT_EQ(Shown(), "A\r\nB");
  EXPECT_EQ(PaneLineCount(PaneWindow), 2);

  std::string wide = "AB\r\nCD";
  SetPaneText(PaneWindow, wide);
  PanePosFromChar(PaneWindow, 0, x0, y);
  PanePosFromChar(PaneWindow, 1, x1, y);
  // 18 points of extra spacing after each letter
  EXPECT_NEAR(x1 - x0 - narrowAdvance, 18.0 * ScreenDpiY() / 72.0, 2.0);
}

TEST_F(PaneText, CaseKeepsTheWideSpacing) {
  auto advance = [] {
    int x0 = 0, x1 = 0, y = 0;
    PanePosFromChar(PaneWindow, 0, x0, y);
    PanePosFromChar(PaneWindow, 1, x1, y);
    return x1 - x0;
  };
  std::string narrow = "AB";
  SetPaneText(PaneWindow, narrow);
  int narrowAdvance = advance();
  WideSpacing = 1;
  BookText = "ab";
  std::string text = BookText;
  SetPaneText(PaneWindow, text);
  CaseType = 2;
  CycleTextCase();  // upper case
  EXPECT_EQ(Shown(), "AB");
  EXPECT_NEAR(advance() - narrowAdvance, 18.0 * ScreenDpiY() / 72.0, 2.0);
}

TEST_F(PaneText, TurningWideSpacingOffShowsTheSamePlainTextAtTheStart) {
  auto advance = [] {
    int x0 = 0, x1 = 0, y = 0;
    PanePosFromChar(PaneWindow, 0, x0, y);
    PanePosFromChar(PaneWindow, 1, x1, y);
    return x1 - x0;
  };
  WideSpacing = 1;
  std::string text = "word\r\nsecond line\r\n\r\nthird";
  SetPaneText(PaneWindow, text);
  const int wideAdvance = advance();
  PaneLineScroll(PaneWindow, 2);
  WideSpacing = 0;
  RefreshPaneText();
  EXPECT_EQ(Shown(), "word\r\nsecond line\r\n\r\nthird");
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
  EXPECT_NEAR(wideAdvance - advance(), 18.0 * ScreenDpiY() / 72.0, 2.0);
  WideSpacing = 1;
  RefreshPaneText();
  EXPECT_EQ(Shown(), "word\r\nsecond line\r\n\r\nthird");
  EXPECT_EQ(advance(), wideAdvance);
}

TEST_F(PaneText, ReservedCharactersOfAUsersBookShowAsThemselves) {
  WideSpacing = 1;
  std::string text = "a{b}c\\d \\par e\r\n}{";
  SetPaneText(PaneWindow, text);
  EXPECT_EQ(Shown(), "a{b}c\\d \\par e\r\n}{");
  // and the rich text form turns back into the same lines
  WideSpacing = 0;
  SetPaneText(PaneWindow, text);
  EXPECT_EQ(text, "a{b}c\\d \\par e\r\n}{");
  EXPECT_EQ(Shown(), text);
}

TEST_F(PaneText, PlainTextKeepsItsBackslashesWhenSpacingIsOff) {
  std::string text = "C:\\par\\x {y}";
  SetPaneText(PaneWindow, text);
  EXPECT_EQ(text, "C:\\par\\x {y}");
  EXPECT_EQ(Shown(), "C:\\par\\x {y}");
}

TEST_F(PaneText, AWindowTextBeginningWithRichTextIsReadAsRichText) {
  SetPaneWindowText(PaneWindow, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\b Keys\\b0\\par A  Again}");
  EXPECT_EQ(Shown(), "Keys\r\nA  Again");
  SetPaneWindowText(PaneWindow, "{rtf is only a word here}");
  EXPECT_EQ(Shown(), "{rtf is only a word here}");
}

TEST_F(PaneText, ColoursApplyToAllTextAfterAStreamIn) {
  WideSpacing = 1;
  std::string text = "Wide\r\nletters";
  SetPaneText(PaneWindow, text);
  TextColor = 65535;   // yellow
  BGColor = 16711680;  // blue
  ApplyColors();
  const int yellow = CountPanePixels(PaneWindow, 0xFFFF00);
  const int blue = CountPanePixels(PaneWindow, 0x0000FF);
  EXPECT_GT(yellow, 500);                        // the glyphs, in the text colour
  EXPECT_GT(blue, 800 * PaneHeight(PaneWindow) / 2);  // the background of the 800 px pane
  EXPECT_EQ(CountPanePixels(PaneWindow, 0x000000), 0);  // no text left in the default black
}

// A selection (a search hit, a chapter) and a web address are drawn in the scheme's own colours,
// which read at 7:1, not in the system's; a selection that moves gives its characters back.
TEST_F(PaneText, SelectionsAndLinksShowInTheSchemesColours) {
  const PaneColours scheme = SchemeColours(65535, 16711680);  // yellow on blue
  const auto rgb = [](std::uint32_t ref) { return (ref & 0xFF) << 16 | (ref & 0xFF00) | (ref >> 16 & 0xFF); };
  const auto ground = [&] {
    RepaintPaneNow(PaneWindow);
    return CountPanePixels(PaneWindow, rgb(scheme.selectionBackground));
  };
  PaneSetPlainText(PaneWindow, "one two three\r\nsee www.example.org");
  TextColor = 65535;
  BGColor = 16711680;
  ApplyColors();
  PaneRemoveSelection(PaneWindow);
  const int unselected = ground();
  EXPECT_GT(CountPanePixels(PaneWindow, rgb(scheme.link)), 100);  // the address's glyphs
  // "two three" selected: a block of its width and at least most of a row's height
  PaneSetSelection(PaneWindow, 4, 13);
  int left = 0, right = 0, top = 0, x = 0, nextRow = 0;
  PanePosFromChar(PaneWindow, 4, left, top);
  PanePosFromChar(PaneWindow, 13, right, top);
  PanePosFromChar(PaneWindow, 15, x, nextRow);
  const int block = (right - left) * (nextRow - top);
  EXPECT_GT(ground() - unselected, block / 4);  // less the glyphs drawn on it
  EXPECT_GT(CountPanePixels(PaneWindow, rgb(scheme.selectionText)), 0);
  PaneSetSelection(PaneWindow, 0, 3);  // "one": the block moves with it
  EXPECT_LT(ground() - unselected, block / 4);
  PaneRemoveSelection(PaneWindow);
  EXPECT_NEAR(ground(), unselected, unselected / 20 + 10);
}

TEST_F(PaneText, UnderlineToggledTwiceLeavesTheRangePlain) {
  PaneSetPlainText(PaneWindow, "one two three four");
  UnderlineStart = 4;
  UnderlineLength = 3;
  ToggleRangeUnderline(PaneWindow);
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 4, 7));
  int start = 0, end = 0;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 7);
  ToggleRangeUnderline(PaneWindow);
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 4, 7));
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 5, 5));
}

TEST_F(PaneText, UnderlineMarksMergeSplitAndClear) {
  PaneSetPlainText(PaneWindow, std::string(100, 'x'));
  PaneSetRangeUnderline(PaneWindow, 10, 20, true);
  PaneSetRangeUnderline(PaneWindow, 20, 30, true);  // touching: one mark
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 10, 30));
  PaneSetRangeUnderline(PaneWindow, 15, 18, false);  // a hole in the middle
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 10, 15));
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 14, 16));
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 18, 30));
  PaneSetRangeUnderline(PaneWindow, 40, 50, true);
  ClearPaneUnderline(PaneWindow);
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, i, i + 1)) << i;
}

TEST_F(PaneText, AMillionCharacterReadingMarksEveryWord) {
  std::string text;
  while (text.size() < 1000000) text += "word ";
  PaneSetPlainText(PaneWindow, text);
  for (int start = 0; start + 4 <= 1000000; start += 5) PaneSetRangeUnderline(PaneWindow, start, start + 4, true);
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 500000, 500004));
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 500004, 500005));
  ProcessPendingEvents();  // painting the visible rows of the marks
  ClearPaneUnderline(PaneWindow);
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 0, 4));
}

TEST_F(PaneText, SmallFontGoesTo12AndBackWithItsMessages) {
  FontSize = 64;
  ToggleSmallFont();
  EXPECT_EQ(FontSize, 12);
  EXPECT_EQ(LastBarMessage(), "Small Font ON");
  ToggleSmallFont();
  EXPECT_EQ(FontSize, 64);
  EXPECT_EQ(LastBarMessage(), "Small Font OFF");
  // zoomed while small: the size is no longer 12, so the next toggle remembers it and goes to 12
  ToggleSmallFont();
  ZoomIn();
  ToggleSmallFont();
  EXPECT_EQ(FontSize, 12);
  EXPECT_EQ(SmallFontSavedSize, 16);
}

TEST_F(PaneText, SmallFontAtTwelveWithNothingRememberedStaysAtTwelve) {
  FontSize = 12;
  ToggleSmallFont();
  EXPECT_EQ(FontSize, 12);
  EXPECT_EQ(LastBarMessage(), "Small Font ON");
}

}  // namespace
}  // namespace vt::testing
