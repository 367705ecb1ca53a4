// The main window as a user meets it: its title and show state, how it ends and what it saves,
// the shortcut tables, the wheel, and right-clicks on the bar.
#include <filesystem>

#include "app/shortcuts.h"
#include "platform/testing.h"
#include "core/bar_messages.h"
#include "platform/pane.h"
#include "reader/book_library.h"
#include "reader/reading_pane.h"
#include "reader/search.h"
#include "speech/reading_aloud.h"
#include "support/main_window_fixture.h"

using namespace vt;

namespace {

class MainWindowScenario : public vt_test::MainWindowTest {
 protected:
  void RightClickBar(int commandId) { EventsOfMainWindow(MainWindow).barRightClick(commandId); }
  void Wheel(int steps, bool control) { EventsOfMainWindow(MainWindow).wheel(steps, control); }
};

TEST_F(MainWindowScenario, TitleHasThreeBlanksBeforeTheVersion) {
  Start();
  EXPECT_EQ(WindowTitle(MainWindow), "Vellumtide   1.8");
}

TEST_F(MainWindowScenario, EscExitAndACloseRequestEachEndTheProgramAndSave) {
  for (int way = 0; way < 3; ++way) {
    std::filesystem::remove(vt::SettingsPath());
    Start("FontSize=50\r\n");
    FontSize = 70;
    if (way == 0) Press("Escape");
    if (way == 1) RunCommand(CmdExit);
    if (way == 2) AskWindowToClose(MainWindow);  // as the window manager asks
    vt::ProcessPendingEvents();
    EXPECT_FALSE(IsWindow(MainWindow)) << "way " << way;
    EXPECT_NE(SavedSettings().find("\r\nFontSize= 70\r\n"), std::string::npos) << "way " << way;
  }
}

// A signal or a logout ends the reader while the search box waits: the box goes with the window
// (nothing keeps the process alive) and the settings are saved.
TEST_F(MainWindowScenario, AnEndWithTheSearchBoxOpenTakesTheBoxAlong) {
  static bool boxOutlivedTheWindow;
  boxOutlivedTheWindow = false;
  Start();
  FontSize = 70;
  RunLater(100, [] { EndMainWindow(); });
  RunLater(3000, [] {  // only a box that failed to close itself is still there
    if (!SearchDialogWindow) return;
    boxOutlivedTheWindow = true;
    EndSearchDialog(SearchDialogWindow);
  });
  RunCommand(CmdSearch);
  EXPECT_FALSE(boxOutlivedTheWindow);
  EXPECT_EQ(SearchDialogWindow, nullptr);
  EXPECT_FALSE(IsWindow(MainWindow));
  EXPECT_NE(SavedSettings().find("\r\nFontSize= 70\r\n"), std::string::npos);
}

TEST_F(MainWindowScenario, MinimizedWinsOverMaximized) {
  Start("Maximized=1\r\nMinimized=1\r\n");
  EXPECT_EQ(WindowShowState(MainWindow), ShowState::Minimised);
}

TEST_F(MainWindowScenario, FirstStartWithoutSettingsFileIsMaximizedAndSavesAllKeys) {
  vt::StartMainWindow();
  vt::ProcessPendingEvents();
  EXPECT_EQ(WindowShowState(MainWindow), ShowState::Maximised);
  EndMainWindow();
  std::string saved = SavedSettings();
  EXPECT_EQ(saved.rfind("[All]\r\nLeft=", 0), 0u);
  EXPECT_NE(saved.find("\r\nMaximized= 1\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nFastRate= 3\r\n"), std::string::npos);
}

TEST_F(MainWindowScenario, CtrlWheelZoomsAndThePlainWheelDoesNot) {
  Start();
  int size = FontSize;
  Wheel(1, true);
  EXPECT_EQ(FontSize, size + 4);
  Wheel(-1, true);
  Wheel(-1, true);
  EXPECT_EQ(FontSize, size - 4);
  Wheel(1, false);
  Wheel(0, true);
  EXPECT_EQ(FontSize, size - 4);
}

TEST_F(MainWindowScenario, WithShortcutsOffOnlyEAndVAct) {
  Start("DisableShortCuts=1\r\nEditFileName=x\r\n");
  Press("V");
  EXPECT_EQ(LastBarMessage(), "Version: 1.8");
  Press("T");
  Press("M");
  EXPECT_EQ(LastBarMessage(), "Version: 1.8");
  EXPECT_EQ(WideMenu, 0);
  Press("E");
  EXPECT_EQ(DisableShortCuts, 0);
  EXPECT_EQ(LastBarMessage(), "Shortcuts ON");
  Press("M");  // the table is not rebuilt until the next start
  EXPECT_EQ(WideMenu, 0);
  EXPECT_EQ(AttachedShortcuts(MainWindow).size(), 4u);  // E, V, Space and Ctrl+O
}

TEST_F(MainWindowScenario, ShortcutsNeedAPlainKey) {
  Start("DisableShortCuts=0\r\n");
  ASSERT_EQ(AttachedShortcuts(MainWindow).size(), 19u);
  Press("M", vt::kCtrlHeld);
  Press("M", vt::kShiftHeld);
  Press("M", vt::kAltHeld);
  EXPECT_EQ(WideMenu, 0);
  Press("M");
  EXPECT_EQ(WideMenu, 1);
  Press("E");
  EXPECT_EQ(LastBarMessage(), "Shortcuts OFF");
}

TEST_F(MainWindowScenario, KeyboardReachesTheBarAndSpaceReadsAloud) {
  Start("DisableShortCuts=1\r\nBook=3\r\n");
  Press("Space");  // in the pane, with the letters off: Play
  EXPECT_EQ(SpokenText.rfind("Tea Cookies", 0), 0u);
  RunCommand(CmdStop);
  vt::ProcessPendingEvents();  // the end of the stopped reading, which gives the pane the focus back
  Press("Tab");
  EXPECT_EQ(BarFocusedButton(BarWindow), 0);
  Press("Tab");
  Press("Tab");
  Press("Tab", vt::kShiftHeld);
  EXPECT_EQ(BarFocusedButton(BarWindow), 1);
  Press("Space");  // a focused button takes Space: Books, not Play
  EXPECT_EQ(Book, 4);
  BarFocusButton(BarWindow, BarButtonCount(BarWindow) - 1);
  Press("Return");  // Menu: the rebuilt bar keeps the focus on Menu
  EXPECT_EQ(ButtonSet, 1);
  EXPECT_EQ(BarFocusedButton(BarWindow), BarButtonCount(BarWindow) - 1);
  Press("Escape");
  EXPECT_FALSE(IsWindow(MainWindow));
}

TEST_F(MainWindowScenario, F3AndUnknownIdsDoNothing) {
  Start("DisableShortCuts=0\r\n");
  Press("V");
  Press("F3");
  RunCommand(536);
  RunCommand(9999);
  EXPECT_EQ(LastBarMessage(), "Version: 1.8");
  EXPECT_TRUE(IsWindow(MainWindow));
}

TEST_F(MainWindowScenario, SwitchCommandsReportTheirNewState) {
  Start("DisableShortCuts=0\r\n");
  Press("R");
  EXPECT_EQ(SingleLineScroll, 1);
  EXPECT_EQ(LastBarMessage(), "Single Line Scroll On");
  Press("R");
  EXPECT_EQ(LastBarMessage(), "Single Line Scroll Off");
  Press("P");
  EXPECT_EQ(FormatParagraph, 0);
  EXPECT_EQ(LastBarMessage(), "Paragraph Formating : OFF");
  Press("T");
  EXPECT_EQ(LastBarMessage(), EditFileName);
}

TEST_F(MainWindowScenario, RightClickOnExitTogglesTheShortcutList) {
  Start();
  std::string book = PaneGetPlainText(PaneWindow);
  RightClickBar(CmdExit);
  EXPECT_EQ(ShortcutListShown, 1);
  EXPECT_EQ(PaneGetPlainText(PaneWindow), ShortcutListText());
  RightClickBar(CmdExit);
  EXPECT_EQ(ShortcutListShown, 0);
  EXPECT_EQ(PaneGetPlainText(PaneWindow), book);
}

// Books goes on from the seventh book to the shelf, and from there to the first book.
TEST_F(MainWindowScenario, NextBookAfterTheSeventhIsTheShelfThenTheFirst) {
  std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());  // the user's book is read from the working folder
  vt_test::WriteFile(folder / "trash.txt", "Mine\r\n\r\nText.\r\n");
  Start("Book=6\r\n");
  EXPECT_EQ(Book, 6);
  RunCommand(CmdBooks);
  EXPECT_EQ(ShelfShown, 1);
  RunCommand(CmdBooks);
  std::filesystem::current_path(before);
  EXPECT_EQ(ShelfShown, 0);
  EXPECT_EQ(Book, 0);
}

TEST_F(MainWindowScenario, ShowingTheShortcutListKeepsTheReadingPosition) {
  Start("Book=0\r\n");
  PaneLineScroll(PaneWindow, 40);
  int32_t top = PaneLineIndex(PaneWindow, PaneFirstVisibleLine(PaneWindow));
  ASSERT_GT(top, 0);
  RightClickBar(CmdExit);
  PaneLineScroll(PaneWindow, 2);
  Press("Escape");
  EXPECT_EQ(BookMark0, top);
}

// At start-up the pane shows the screen at the bookmark first; the whole book is in, with the caret
// at the bookmark, before anything else reaches the program (here a timer's task).
TEST_F(MainWindowScenario, AtStartTheWholeBookIsInBeforeAnythingElseRuns) {
  vt_test::WriteFile(vt::SettingsPath(), "[All]\r\nUserBarDelay=0\r\nsBeepOn=0\r\nBook=1\r\nBookMark1=2000000\r\n");
  vt::StartMainWindow();
  EXPECT_LT(PaneTextLength(PaneWindow), 100000);
  int lengthSeen = 0, caretSeen = 0, end = 0;
  RunLater(0, [&] {
    lengthSeen = PaneTextLength(PaneWindow);
    PaneGetSelection(PaneWindow, caretSeen, end);
  });
  ProcessPendingEvents();
  EXPECT_GT(lengthSeen, 4000000);
  EXPECT_EQ(caretSeen, 2000000);
  Press("Escape");
  EXPECT_NE(SavedSettings().find("\r\nBookMark1= 19"), std::string::npos);  // the top row's start, just before
}

TEST(ShortcutList, FourteenLettersThenCtrlOAndSpaceAndNoTrailingBreak) {
  for (int off : {0, 1}) {
    ResetProgramState();
    DisableShortCuts = off;
    std::string text = ShortcutListText();
    size_t breaks = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++breaks;
    EXPECT_EQ(breaks, off ? 17u : 15u);
    // Shortcuts off: the list says so first, and what switches them on.
    std::string head = off ? "Letter shortcuts are OFF\r\nE - switch them on at the next start\r\n" : "";
    EXPECT_EQ(text.rfind(head + "A - Search Again\r\nC - Colors\r\n", 0), 0u) << off;
    const std::string tail = "W - Wide Spacing\r\nCtrl+O - Shelf of books\r\nSpace - Play / Stop";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << off;
  }
}

}  // namespace
