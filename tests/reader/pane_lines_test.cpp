// The pane's positions: display lines as rows after word wrap, scrolling by lines, selection,
// find, word breaks, and the events the pane reports to the program.
#include <vector>

#include "platform/testing.h"
#include "tests/reader/pane_fixture.h"

namespace vt::testing {
namespace {

using PaneLines = PaneTest;

std::string LongParagraph(int words) {
  std::string text;
  for (int i = 0; i < words; ++i) text += (i ? " " : "") + std::string("word") + std::to_string(i);
  return text;
}

TEST_F(PaneLines, WrappedRowsAreDisplayLines) {
  PaneSetPlainText(PaneWindow, "Title\r\n" + LongParagraph(200) + "\r\nEnd");
  int lines = PaneLineCount(PaneWindow);
  EXPECT_GT(lines, 10);  // 200 words at 64 points do not fit in a few rows of 800 pixels
  // every row starts where the one before ended; each character's row holds it
  int previous = -1;
  for (int line = 0; line < lines; ++line) {
    int first = PaneLineIndex(PaneWindow, line);
    ASSERT_GT(first, previous) << line;
    EXPECT_EQ(PaneLineFromChar(PaneWindow, first), line);
    previous = first;
  }
  EXPECT_EQ(PaneLineIndex(PaneWindow, lines), -1);
  EXPECT_EQ(PaneLineFromChar(PaneWindow, PaneTextLength(PaneWindow)), lines - 1);
  // rows of one paragraph share a height: consecutive rows are that far apart on screen
  int x = 0, y1 = 0, y2 = 0;
  PanePosFromChar(PaneWindow, PaneLineIndex(PaneWindow, 1), x, y1);
  PanePosFromChar(PaneWindow, PaneLineIndex(PaneWindow, 2), x, y2);
  EXPECT_GT(y2 - y1, 64);
}

TEST_F(PaneLines, LinesAreCountedAgainAfterAZoomAndAResize) {
  PaneSetPlainText(PaneWindow, LongParagraph(300));
  int at64 = PaneLineCount(PaneWindow);
  ZoomOut();
  ZoomOut();
  int at56 = PaneLineCount(PaneWindow);
  EXPECT_LT(at56, at64);
  PaneSetGeometry(PaneWindow, 0, 0, 400, 600);
  EXPECT_GT(PaneLineCount(PaneWindow), at56);
}

TEST_F(PaneLines, ZoomKeepsTheTopCharacterInTheTopRow) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += LongParagraph(12) + "\r\n";
  PaneSetPlainText(PaneWindow, text);
  PaneLineScroll(PaneWindow, 700);
  int top = PaneLineIndex(PaneWindow, PaneFirstVisibleLine(PaneWindow));
  ZoomIn();
  ProcessPendingEvents();
  int line = PaneFirstVisibleLine(PaneWindow);
  EXPECT_LE(PaneLineIndex(PaneWindow, line), top);
  EXPECT_GT(PaneLineIndex(PaneWindow, line + 1), top);
}

TEST_F(PaneLines, ScreenRowsAreTheRowsOnScreenCountedFromTheTop) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += LongParagraph(9) + "\r\n";
  PaneSetPlainText(PaneWindow, text);
  for (int height : {600, 333, 200}) {
    PaneSetGeometry(PaneWindow, 0, 0, 800, height);
    PaneLineScroll(PaneWindow, 50);
    const int first = PaneFirstVisibleLine(PaneWindow), rows = PaneScreenRows(PaneWindow);
    int x = 0, top = 0, next = 0, last = 0;
    PanePosFromChar(PaneWindow, PaneLineIndex(PaneWindow, first), x, top);
    PanePosFromChar(PaneWindow, PaneLineIndex(PaneWindow, first + 1), x, next);
    PanePosFromChar(PaneWindow, PaneLineIndex(PaneWindow, first + rows), x, last);
    const int bottom = height - top;                   // the frame is as wide below as above
    EXPECT_LE(last, bottom) << height;                 // the last whole row ends on screen
    EXPECT_GT(last + (next - top), bottom) << height;  // and one more would not fit
    for (int row : {0, rows - 1}) {
      int start = PaneLineIndex(PaneWindow, first + row);
      EXPECT_EQ(PaneCharAtScreenRow(PaneWindow, row), start) << height;
      EXPECT_EQ(PaneScreenRowOfChar(PaneWindow, start + 2), row) << height;
    }
    EXPECT_EQ(PaneScreenRowOfChar(PaneWindow, PaneLineIndex(PaneWindow, first - 1)), -1);
    PaneScrollCharToScreenRow(PaneWindow, PaneLineIndex(PaneWindow, 120) + 3, 2);
    EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 118) << height;
    PaneLineScroll(PaneWindow, -1000);
  }
  PaneSetGeometry(PaneWindow, 0, 0, 800, 60);
  EXPECT_EQ(PaneScreenRows(PaneWindow), 0);  // shorter than a row
}

TEST_F(PaneLines, ScrollingByLinesStopsAtTheEnds) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
  PaneSetPlainText(PaneWindow, text);
  PaneLineScroll(PaneWindow, 10);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 10);
  EXPECT_EQ(PaneLineIndex(PaneWindow, 10), static_cast<int>(text.find("line 10")) - 10);  // CR LF counts once
  PaneLineScroll(PaneWindow, -3);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 7);
  PaneLineScroll(PaneWindow, -1000);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
  PaneLineScroll(PaneWindow, 1000000);
  int last = PaneFirstVisibleLine(PaneWindow);
  EXPECT_GT(last, 80);
  EXPECT_LT(last, 101);
}

TEST_F(PaneLines, SelectionIsSetReadAndRemoved) {
  PaneSetPlainText(PaneWindow, "abcdef\r\nghij");
  PaneSetSelection(PaneWindow, 2, 9);
  int start = 0, end = 0;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 2);
  EXPECT_EQ(end, 9);
  EXPECT_EQ(PaneLineFromChar(PaneWindow, -1), 0);
  PaneSetSelection(PaneWindow, -1, 0);
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, end);
  EXPECT_EQ(start, 9);  // the caret stays
  PaneSetSelection(PaneWindow, 0, -1);
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(end, 11);
  PaneSetSelection(PaneWindow, 500, 900);  // beyond the text: the end
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 11);
  EXPECT_EQ(end, 11);
}

TEST_F(PaneLines, FindIgnoresCaseAndKeepsToItsRange) {
  PaneSetPlainText(PaneWindow, ">>One\r\ntext\r\n>>Two\r\nmore >>three");
  int start = 0, end = 0;
  EXPECT_EQ(PaneFindText(PaneWindow, ">>", 0, -1, true, start, end), 0);
  EXPECT_EQ(end, 2);
  EXPECT_EQ(PaneFindText(PaneWindow, ">>", 1, -1, true, start, end), 11);
  EXPECT_EQ(PaneFindText(PaneWindow, "TWO", 0, -1, true, start, end), 13);
  EXPECT_EQ(PaneFindText(PaneWindow, "two", 0, 15, true, start, end), -1);  // would end past the range
  EXPECT_EQ(PaneFindText(PaneWindow, "two", 0, 16, true, start, end), 13);
  // upward: the nearest match that ends before `from`, not before `to`
  EXPECT_EQ(PaneFindText(PaneWindow, ">>", 30, 0, false, start, end), 22);
  EXPECT_EQ(PaneFindText(PaneWindow, ">>", 22, 0, false, start, end), 11);
  EXPECT_EQ(PaneFindText(PaneWindow, ">>", 22, 12, false, start, end), -1);
  EXPECT_EQ(PaneFindText(PaneWindow, "missing", 0, -1, true, start, end), -1);
  EXPECT_EQ(start, -1);
  EXPECT_EQ(PaneFindText(PaneWindow, "", 0, -1, true, start, end), -1);
  // Letters beyond ASCII fold as the control folds them, both ways (U+212A KELVIN SIGN is a k).
  PaneSetPlainText(PaneWindow, "\xC3\x89T\xC3\x89 caf\xC3\xA9 \xCE\xA9mega \xE2\x84\xAAilo 1984-");
  const struct {
    const char* term;
    int found;
  } folded[] = {{"\xC3\xA9t\xC3\xA9", 0}, {"CAF\xC3\x89", 4}, {"\xCF\x89MEGA", 9}, {"kilo", 15}, {"84-", 22}};
  for (const auto& c : folded) {
    EXPECT_EQ(PaneFindText(PaneWindow, c.term, 0, -1, true, start, end), c.found) << c.term;
    EXPECT_EQ(PaneFindText(PaneWindow, c.term, 30, 0, false, start, end), c.found) << c.term;
  }
}

TEST_F(PaneLines, WordBreaksFollowWhiteSpaceLettersAndPunctuation) {
  // positions: "Hello" 0, "," 5, "world" 7, "foo" 14, "..." 17, "bar" 20, break 23, "end" 24, end 27
  PaneSetPlainText(PaneWindow, "Hello, world  foo...bar\r\nend");
  struct Case {
    int from, right, left;
  } cases[] = {
      {0, 5, 0},     // "Hello" then "," follows at once
      {5, 7, 0},     // "," and the blank after it
      {7, 14, 5},    // "world" and two blanks; left of it the comma is a word
      {14, 17, 7},   // "foo" up to the punctuation run
      {17, 20, 14},  // "..." is a word of its own
      {20, 24, 17},  // "bar" and the paragraph break
      {24, 27, 20},  // "end" to the end
      {27, 27, 24},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PaneMoveWordRight(PaneWindow, c.from), c.right) << c.from;
    EXPECT_EQ(PaneMoveWordLeft(PaneWindow, c.from), c.left) << c.from;
  }
  EXPECT_TRUE(PaneIsDelimiter(PaneWindow, 6));
  EXPECT_TRUE(PaneIsDelimiter(PaneWindow, 23));  // the paragraph break
  EXPECT_FALSE(PaneIsDelimiter(PaneWindow, 5));
  EXPECT_TRUE(PaneIsDelimiter(PaneWindow, 27));
  EXPECT_EQ(PaneWordBreakRight(PaneWindow, 12), 14);
  EXPECT_EQ(PaneWordBreakRight(PaneWindow, 14), 14);
}

TEST_F(PaneLines, EventsReachTheProgramAfterTheWidgetAndTheWheelInsteadOfIt) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
  PaneSetPlainText(PaneWindow, text);
  PaneSetSelection(PaneWindow, 0, 0);
  std::vector<std::string> seen;
  PaneEvents events;
  events.keyPressed = [&seen](PaneKey key) {
    int start = 0, end = 0;
    PaneGetSelection(PaneWindow, start, end);  // the widget has moved its caret already
    seen.push_back("key " + std::to_string(static_cast<int>(key)) + " at " + std::to_string(start));
  };
  events.typed = [&seen](char32_t c) { seen.push_back("typed " + std::to_string(c)); };
  events.wheel = [&seen](int delta, bool ctrl) { seen.push_back("wheel " + std::to_string(delta) + (ctrl ? " ctrl" : "")); };
  events.focusGained = [&seen] { seen.push_back("focus"); };
  PaneSetEvents(PaneWindow, events);
  GivePaneFocus(PaneWindow);
  ProcessPendingEvents();
  seen.clear();
  TypeKey("Right");
  TypeKey("A");
  for (unsigned modifiers : {kNoModifiers, kCtrlHeld}) TurnPaneWheel(PaneWindow, -120, modifiers);
  GivePaneFocus(PaneWindow);

  const std::vector<std::string> expected = {
      "key " + std::to_string(static_cast<int>(PaneKey::Right)) + " at 1",
      "key " + std::to_string(static_cast<int>(PaneKey::Other)) + " at 1", "typed 97",
      "wheel -120", "wheel -120 ctrl", "focus"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);  // the program scrolls, the widget did not
  PaneSetEvents(PaneWindow, {});                     // `seen` goes at the end of the test
}

}  // namespace
}  // namespace vt::testing

namespace vt::testing {
namespace {

// Every block's rows are counted ahead of the widget; once the widget has laid out every block
// itself, the count must not have moved by a single row.
void ExpectCountsMatchTheWidget(int book) {
  Book = book;
  LoadBook();
  int counted = PaneLineCount(PaneWindow);
  int lines = counted;
  for (int line = 0; line < lines; ++line) ASSERT_GE(PaneLineIndex(PaneWindow, line), 0) << line;
  EXPECT_EQ(PaneLineCount(PaneWindow), counted);
}

TEST_F(PaneLines, CountedRowsAreTheRowsTheWidgetLaysOut) {
  FormatParagraph = 0;
  ExpectCountsMatchTheWidget(4);
  FormatParagraph = 1;
  for (const char* face : {"Tahoma", "Courier New", "Times New Roman", "Comic Sans MS"}) {
    FontName = face;
    FontAttr = FontAttr ^ 1;
    ChangeFontSize(0);
    SCOPED_TRACE(face);
    ExpectCountsMatchTheWidget(0);
  }
  WideSpacing = 1;
  ExpectCountsMatchTheWidget(3);
}

}  // namespace
}  // namespace vt::testing
