// Reading positions as a reader meets them: kept per book across "Books" and across runs, restored
// with the caret, the page indicator after a restore, the shortcut list, and the scroll limits.
#include <unistd.h>

#include <array>

#include "core/bar_messages.h"
#include "platform/pane.h"
#include "reader/navigation.h"
#include "reader/reading_pane.h"
#include "reader/display_options.h"
#include "platform/testing.h"
#include "support/main_window_fixture.h"

using namespace vt;

namespace {

class ReadingPositions : public vt_test::MainWindowTest {
 protected:
  // The reader's own book is looked for in the current folder: make it the test's own.
  void SetUp() override {
    MainWindowTest::SetUp();
    char here[4096];
    previousFolder = getcwd(here, sizeof here) ? here : "/";
    ASSERT_EQ(chdir(folder.path().c_str()), 0);
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    ASSERT_EQ(chdir(previousFolder.c_str()), 0);
  }
  static int Caret() {
    int start = 0, end = 0;
    PaneGetSelection(PaneWindow, start, end);
    return start;
  }
  // The first character of the display line `fraction` of the way into the text.
  static int LineStartAt(double fraction) {
    return PaneLineIndex(PaneWindow, static_cast<int>(PaneLineCount(PaneWindow) * fraction));
  }
  void Restart(const std::string& extra) {
    EndMainWindow();
    ProcessPendingEvents();
    Start(extra);
  }
  std::string SavedMark(int book) {
    std::string key = "\r\nBookMark" + std::to_string(book) + "=";
    size_t at = SavedSettings().find(key);
    return at == std::string::npos ? "" : SavedSettings().substr(at + key.size(), SavedSettings().find('\r', at + 2) - at - key.size());
  }
  std::string previousFolder;
};

TEST_F(ReadingPositions, EachOfTheSevenBooksKeepsItsPlaceAcrossBooksBeforeAndAfterAZoom) {
  std::string own = "My Own Book\r\n";
  for (int line = 0; line < 400; ++line) own += ">>Part " + std::to_string(line) + "\r\nThe reader's own words.\r\n";
  vt_test::WriteFile(folder / "trash.txt", own);
  Start("Book=0\r\nFontSize=64\r\n");
  for (int round = 0; round < 2; ++round) {
    if (round == 1) RunCommand(CmdLarger);
    std::array<int32_t, 7> top{};
    for (int book = 0; book < 7; ++book) {
      ScrollCharToTop(LineStartAt(0.4));
      top[book] = TopVisibleCharIndex();
      RunCommand(CmdBooks);
      if (ShelfShown) RunCommand(CmdBooks);  // the shelf stands between the seventh book and the first
    }
    for (int book = 0; book < 7; ++book) {
      ASSERT_EQ(Book, book);
      EXPECT_EQ(*BookMarkOf(book), top[book]) << "book " << book << " at " << FontSize;
      EXPECT_EQ(TopVisibleCharIndex(), top[book]) << "book " << book << " at " << FontSize;
      EXPECT_EQ(Caret(), top[book]) << "book " << book << " at " << FontSize;
      RunCommand(CmdBooks);
      if (ShelfShown) RunCommand(CmdBooks);
    }
    EXPECT_GT(top[1], 0);  // the long books were really scrolled
    EXPECT_GT(top[6], 0);
  }
}

TEST_F(ReadingPositions, AfterAStartThePageIsTheRestoredOneAndTheViewStays) {
  Start("Book=2\r\n");
  int position = LineStartAt(0.3);
  Restart("Book=2\r\nBookMark2=" + std::to_string(position) + "\r\n");
  ASSERT_EQ(TopVisibleCharIndex(), position);
  EXPECT_EQ(Caret(), position);
  RunCommand(CmdPage);
  EXPECT_EQ(TopVisibleCharIndex(), position);
  EXPECT_EQ(LastBarMessage(), PageIndicatorText(PaneScreenRows(PaneWindow), PaneLineFromChar(PaneWindow, position) + 1,
                                                PaneLineCount(PaneWindow)));
  EXPECT_NE(LastBarMessage().rfind(" Page: 1 of", 0), 0u);
  // Home shows the start and leaves the caret; "Page" then scrolls the caret back into view.
  int far = LineStartAt(0.8);
  PaneSetSelection(PaneWindow, far, far);
  RunCommand(CmdHome);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
  EXPECT_EQ(Caret(), far);
  RunCommand(CmdPage);
  EXPECT_GT(PaneFirstVisibleLine(PaneWindow), 0);
}

TEST_F(ReadingPositions, TheEndSavesTheBooksPositionButNeverTheShortcutLists) {
  for (bool listShown : {false, true}) {
    Start("Book=2\r\nBookMark2=1234\r\n");
    ScrollCharToTop(LineStartAt(0.6));
    int32_t top = TopVisibleCharIndex();
    if (listShown) {
      EventsOfMainWindow(MainWindow).barRightClick(CmdExit);
      ASSERT_EQ(ShortcutListShown, 1);
    }
    if (listShown) PaneLineScroll(PaneWindow, 5);  // the list's own scrolling is no reading position
    Press("Escape");
    // With the list shown the book keeps the position it had when the list replaced it.
    EXPECT_EQ(SavedMark(2), " " + std::to_string(top)) << (listShown ? "list" : "book");
    ShortcutListShown = 0;
  }
  // "Books" with the list shown leaves the stored position too, and a book is shown again.
  Start("Book=2\r\nBookMark2=1234\r\n");
  int32_t restored = TopVisibleCharIndex();
  EventsOfMainWindow(MainWindow).barRightClick(CmdExit);
  PaneLineScroll(PaneWindow, 5);
  RunCommand(CmdBooks);
  EXPECT_EQ(BookMark2, restored);
  EXPECT_EQ(ShortcutListShown, 0);
}

// With no seventh book, the shelf follows the sixth, and the first book follows the shelf.
TEST_F(ReadingPositions, NextFromBookFiveWithoutOwnBookIsTheShelfThenTheFirstBooksPosition) {
  Start("Book=0\r\n");
  int position = LineStartAt(0.5);
  Restart("Book=5\r\nBookMark0=" + std::to_string(position) + "\r\n");
  RunCommand(CmdBooks);
  EXPECT_EQ(ShelfShown, 1);
  RunCommand(CmdBooks);
  EXPECT_EQ(Book, 0);
  EXPECT_EQ(TopVisibleCharIndex(), position);
  EXPECT_EQ(Caret(), position);
}

TEST_F(ReadingPositions, ScrollingACharacterToTheTopGoesAsFarAsThePaneCan) {
  Start("Book=0\r\n");
  PaneSetSelection(PaneWindow, 40, 40);
  int line = PaneLineFromChar(PaneWindow, LineStartAt(0.5));
  while (PaneLineIndex(PaneWindow, line + 1) - PaneLineIndex(PaneWindow, line) < 4) ++line;
  ScrollCharToTop(PaneLineIndex(PaneWindow, line) + 3);  // any character of a line: its start is the top
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), line);
  EXPECT_EQ(TopVisibleCharIndex(), PaneLineIndex(PaneWindow, line));
  ScrollCharToTop(PaneTextLength(PaneWindow));
  int lastTop = PaneFirstVisibleLine(PaneWindow);
  EXPECT_GT(lastTop, line);
  ScrollCharToTop(0);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
  ScrollCharToTop(100000000);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), lastTop);
  ScrollCharToTop(-5);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
  EXPECT_EQ(Caret(), 40);  // scrolling never moves the caret
  // Stored positions outside the text start at its nearer end.
  Restart("Book=0\r\nBookMark0=-7\r\n");
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
  EXPECT_EQ(Caret(), 0);
  Restart("Book=0\r\nBookMark0=99999999\r\n");
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), lastTop);
  EXPECT_EQ(Caret(), PaneTextLength(PaneWindow));
}

}  // namespace
