// The reader's place across every change of the view, in the Bible at its middle: the caret's word
// stays on screen on its row (within one), the shortcut list gives back the exact place, and the
// bookmark Esc saves is the place shown. The counting that carries places into a new text.
#include "platform/pane.h"
#include "reader/navigation.h"
#include "reader/reading_place.h"
#include "support/main_window_fixture.h"

using namespace vt;

namespace {

TEST(ReadingPlaceCount, PositionsCountPaneCharactersAndSkipWhiteSpace) {
  const std::string text = "ab c\r\nd\xC3\xA9 \xF0\x9F\x98\x80x\r\n\r\ny";  // pane: "ab c\nd\xe9 ..x\n\ny"
  struct Case {
    int32_t position;
    int64_t before;
  } const cases[] = {{0, 0}, {2, 2}, {3, 2}, {4, 3}, {5, 3}, {7, 5}, {8, 5}, {10, 6}, {11, 7}, {13, 7}, {14, 8}};
  for (const Case& c : cases) EXPECT_EQ(NonSpaceCountBefore(text, c.position), c.before) << c.position;
  const std::pair<int64_t, int32_t> back[] = {{0, 0}, {2, 3}, {3, 5}, {5, 8}, {6, 10}, {7, 13}, {8, 14}};
  for (const auto& [count, position] : back) EXPECT_EQ(PositionOfNonSpace(text, count), position) << count;
  // A word carried into a reflowed text stays the same word.
  ReadingPlace place{8, 2, 8, 14};  // "three " selected
  ReadingPlace moved = PlaceInNewText(place, "one two\r\nthree four", "one   two three\r\n\r\nfour");
  EXPECT_EQ(moved.word, 10);
  EXPECT_EQ(moved.selectionStart, 10);
  EXPECT_EQ(moved.selectionEnd, 15);
}

class ReaderPlace : public vt_test::MainWindowTest {
 protected:
  static int Caret() {
    int start = 0, end = 0;
    PaneGetSelection(PaneWindow, start, end);
    return start;
  }
  // The caret's row, counted from exact display lines.
  static int CaretRow() { return PaneLineFromChar(PaneWindow, Caret()) - PaneFirstVisibleLine(PaneWindow); }
  // The word at a pane position of a plain ASCII book.
  static std::string WordAt(int position) {
    std::string text = PaneGetPlainText(PaneWindow), plain;
    for (size_t i = 0; i < text.size(); ++i)
      if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain += text[i];
    size_t end = plain.find_first_of(" \n", static_cast<size_t>(position));
    std::string word = plain.substr(static_cast<size_t>(position), end - static_cast<size_t>(position));
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word;
  }
};

TEST_F(ReaderPlace, EveryChangeOfTheViewKeepsTheCaretsWordOnItsRow) {
  Start("Book=1\r\nBookMark1=2100000\r\nDisableShortCuts=0\r\nWidth=1200\r\nHeight=900\r\n");
  auto resize = [](int dw) {
    int w = 0, h = 0;
    ClientSize(MainWindow, w, h);
    ResizeWindow(MainWindow, w + dw, h);
  };
  struct Step {
    const char* name;
    std::function<void()> run;
  } const steps[] = {
      {"Case", [] { RunCommand(CmdCase); }},                       {"Case", [] { RunCommand(CmdCase); }},
      {"Wide spacing on", [] { RunCommand(CmdWideSpacing); }},     {"Case with spacing", [] { RunCommand(CmdCase); }},
      {"Wide spacing off", [] { RunCommand(CmdWideSpacing); }},    {"Paragraphs on", [] { RunCommand(CmdFormatParagraph); }},
      {"Paragraphs off", [] { RunCommand(CmdFormatParagraph); }},  {"Larger", [] { RunCommand(CmdLarger); }},
      {"Larger", [] { RunCommand(CmdLarger); }},                   {"Smaller", [] { RunCommand(CmdSmaller); }},
      {"Smaller", [] { RunCommand(CmdSmaller); }},                 {"Wheel", [] { EventsOfMainWindow(MainWindow).wheel(1, true); }},
      {"Bold", [] { RunCommand(CmdBold); }},                       {"Font", [] { RunCommand(CmdFont); }},
      {"Small font", [] { RunCommand(CmdSmallFont); }},            {"Small font off", [] { RunCommand(CmdSmallFont); }},
      {"Narrower", [resize] { resize(-300); }},                    {"Wider", [resize] { resize(200); }},
  };
  for (const Step& step : steps) {
    int top = PaneFirstVisibleLine(PaneWindow);
    int word = PaneLineIndex(PaneWindow, top + 3);
    PaneSetSelection(PaneWindow, word, word);
    int row = CaretRow();
    std::string before = WordAt(word);
    step.run();
    ProcessPendingEvents();
    EXPECT_EQ(WordAt(Caret()), before) << step.name;
    EXPECT_NEAR(CaretRow(), row, 1) << step.name;
    SaveBookmark();
    EXPECT_NEAR(PaneLineFromChar(PaneWindow, BookMark1), PaneFirstVisibleLine(PaneWindow), 1) << step.name;
  }
  // The shortcut list gives back the very place, in the letter case chosen; Esc saves the place shown.
  RunCommand(CmdCase);  // upper case
  int topChar = TopVisibleCharIndex(), caret = Caret();
  EventsOfMainWindow(MainWindow).barRightClick(CmdExit);
  EventsOfMainWindow(MainWindow).barRightClick(CmdExit);
  EXPECT_EQ(TopVisibleCharIndex(), topChar);
  EXPECT_EQ(Caret(), caret);
  EXPECT_EQ(PaneGetPlainText(PaneWindow).find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos);
  Press("Escape");
  EXPECT_NE(SavedSettings().find("\r\nBookMark1= " + std::to_string(topChar) + "\r\n"), std::string::npos);
}

}  // namespace
