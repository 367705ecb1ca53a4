// Finding text in the pane: case, where the search starts, no wrapping, the chapter commands, and
// what stays when nothing is found.
#include "core/bar_messages.h"
#include "platform/pane.h"
#include "platform/search_dialog.h"
#include "platform/testing.h"
#include "reader/navigation.h"
#include "reader/reading_pane.h"
#include "reader/search.h"
#include "support/main_window_fixture.h"

using namespace vt;

namespace {

class Finding : public vt_test::MainWindowTest {
 protected:
  void StartWith(const std::string& text) {
    Start();
    SetPaneWindowText(PaneWindow, text);
    PaneSetSelection(PaneWindow, 0, 0);
  }
  static std::pair<int, int> Selection() {
    int start = 0, end = 0;
    PaneGetSelection(PaneWindow, start, end);
    return {start, end};
  }
};

// "whale" at 0, 11 and 22; the headings at 35 and 59 (a line break counts as one character).
const char kChapters[] = "Whale one. whale two. WHALE three.\r\n>>Chapter 1\r\ntext of one\r\n>>Chapter 2\r\ntext of two";

TEST_F(Finding, IgnoresCaseSkipsTheCharacterAfterTheSelectionAndNeverWraps) {
  StartWith(kChapters);
  FindInPane(1, "WHALE");  // the match at the caret is skipped
  EXPECT_EQ(Selection(), std::make_pair(11, 16));
  PaneSetSelection(PaneWindow, 9, 11);  // a match right after the selection is skipped too
  SearchTerm = "whale";
  SearchAgain();
  EXPECT_EQ(Selection(), std::make_pair(22, 27));
  SearchAgain();
  EXPECT_EQ(LastBarMessage(), "No match found!");
  EXPECT_EQ(Selection(), std::make_pair(22, 27));
}

TEST_F(Finding, ChapterCommandsWalkTheHeadingsBothWays) {
  StartWith(kChapters);
  const std::pair<int, std::pair<int, int>> steps[] = {
      {CmdNext, {35, 37}}, {CmdNext, {59, 61}}, {CmdNext, {59, 61}}, {CmdPrev, {35, 37}}, {CmdPrev, {35, 37}}};
  for (const auto& [command, selection] : steps) {
    RunCommand(command);
    EXPECT_EQ(Selection(), selection);
    EXPECT_TRUE(PaneHasFocus(PaneWindow));
  }
  EXPECT_EQ(LastBarMessage(), "No match found!");
  PaneSetSelection(PaneWindow, 75, 75);  // inside the second chapter: its own heading comes first
  RunCommand(CmdPrev);
  EXPECT_EQ(Selection(), std::make_pair(59, 61));
}

TEST_F(Finding, AMatchBecomesTheTopLineAndNoMatchLeavesSelectionAndView) {
  std::string text;
  for (int chapter = 0; chapter < 300; ++chapter)
    text += ">>Chapter " + std::to_string(chapter) + "\r\nSome text of this chapter, long enough to wrap.\r\n";
  StartWith(text);
  int far = PaneLineIndex(PaneWindow, PaneLineCount(PaneWindow) / 2);
  PaneSetSelection(PaneWindow, far, far);
  FindInPane(1, ">>");
  auto [start, end] = Selection();
  ASSERT_GT(start, far);
  EXPECT_EQ(end, start + 2);
  EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), PaneLineFromChar(PaneWindow, start));
  int top = TopVisibleCharIndex();
  FindInPane(1, "no such words");
  EXPECT_EQ(LastBarMessage(), "No match found!");
  EXPECT_EQ(Selection(), std::make_pair(start, end));
  EXPECT_EQ(TopVisibleCharIndex(), top);
}

TEST_F(Finding, TheSearchCommandAsksAndFindsAndACancelSearchesTheOldTerm) {
  StartWith(kChapters);
  SearchTerm = "old term";
  RunLater(0, [] {
    TypeDialogText(SearchDialogWindow, "  Chapter ");
    PressDialogEnter(SearchDialogWindow);
  });
  RunCommand(CmdSearch);
  EXPECT_EQ(SearchTerm, "chapter");
  EXPECT_EQ(Selection(), std::make_pair(37, 44));
  EXPECT_TRUE(PaneHasFocus(PaneWindow));
  RunLater(0, [] { PressDialogEscape(SearchDialogWindow); });
  RunCommand(CmdSearch);
  EXPECT_EQ(SearchTerm, "chapter");
  EXPECT_EQ(Selection(), std::make_pair(61, 68));
}

}  // namespace
