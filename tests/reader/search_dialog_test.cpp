// The search box: what it stores, how it closes, and how it looks.
#include <gtest/gtest.h>

#include <functional>

#include "bar/bar_messages.h"
#include "platform/search_dialog.h"
#include "reader/search.h"
#include "settings/settings_file.h"

namespace vt {
namespace {

class SearchBox : public testing::Test {
 protected:
  void SetUp() override {
    ResetSettingsToDefaults();
    UserBarDelay = 0;
    sBeepOn = 0;
  }

  // Opens the box, lets `act` play the user once it is shown, and returns when it has closed.
  // A box that the action fails to close is closed after a while so that the test ends.
  static void ShowAndDo(std::function<void(DialogHandle)> act) {
    static int generation = 0;
    int mine = ++generation;
    RunLater(0, [act] { act(SearchDialogWindow); });
    RunLater(3000, [mine] {
      if (generation == mine && SearchDialogWindow) EndSearchDialog(SearchDialogWindow);
    });
    ShowSearchDialog();
  }
};

TEST(StoredSearchTerm, IsLowerCaseWithoutSurroundingBlanks) {
  const std::pair<std::string, std::string> cases[] = {
      {"Whale", "whale"},
      {"  Moby DICK  ", "moby dick"},
      {"inner  blanks stay", "inner  blanks stay"},
      {"     ", ""},
      {"", ""},
      {"\ttab stays\t", "\ttab stays\t"},  // only the blank is stripped
      {">>Chapter", ">>chapter"},
      {"\xC3\x89" "COLE \xC3\x97", "\xC3\xA9" "cole \xC3\x97"},  // E acute lowers, the times sign stays
  };
  for (const auto& [typed, stored] : cases) EXPECT_EQ(StoredSearchTerm(typed), stored) << typed;
}

TEST(StoredSearchTerm, IsCutTo259CharactersBeforeTheBlanksAreStripped) {
  EXPECT_EQ(StoredSearchTerm(std::string(300, 'A')), std::string(259, 'a'));
  // The cut comes first: 258 blanks and "x" survive as "x"; the "y" after the cut is gone.
  EXPECT_EQ(StoredSearchTerm(std::string(258, ' ') + "xy"), "x");
  // Never inside a character: 258 letters and a two-byte letter fit, a third byte-pair does not.
  std::string accented = std::string(258, 'a') + "\xC3\xA9\xC3\xA9";
  EXPECT_EQ(StoredSearchTerm(accented), std::string(258, 'a') + "\xC3\xA9");
  // A character outside the basic plane takes two units and does not fit in the last one.
  EXPECT_EQ(StoredSearchTerm(std::string(258, 'a') + "\xF0\x9F\x98\x80"), std::string(258, 'a'));
}

TEST_F(SearchBox, EnterStoresTheTypedTermAndClosesTheBox) {
  ShowAndDo([](DialogHandle box) {
    TypeDialogText(box, "  Sea Serpent ");
    PressDialogEnter(box);
  });
  EXPECT_EQ(SearchTerm, "sea serpent");
  EXPECT_EQ(SearchDialogWindow, nullptr);
}

TEST_F(SearchBox, TheImageButtonStoresLikeEnter) {
  ShowAndDo([](DialogHandle box) {
    TypeDialogText(box, "CAPTAIN");
    ClickDialogButton(box, IdSearchButton);
  });
  EXPECT_EQ(SearchTerm, "captain");
}

TEST_F(SearchBox, EscTheEscButtonAndARightClickKeepTheTerm) {
  const std::function<void(DialogHandle)> closers[] = {
      [](DialogHandle box) { PressDialogEscape(box); },
      [](DialogHandle box) { ClickDialogButton(box, IdSearchEsc); },
      [](DialogHandle box) { RightClickDialog(box); },
  };
  for (const auto& close : closers) {
    SearchTerm = "kept";
    ShowAndDo([&close](DialogHandle box) {
      TypeDialogText(box, "typed but not confirmed");
      close(box);
    });
    EXPECT_EQ(SearchTerm, "kept");
    EXPECT_EQ(SearchDialogWindow, nullptr);
  }
}

TEST_F(SearchBox, ABlankTermKeepsTheOldOne) {
  SearchTerm = "treasure";
  RunLater(0, [] {
    TypeDialogText(SearchDialogWindow, "    ");
    PressDialogEnter(SearchDialogWindow);
  });
  SearchCommand();
  EXPECT_EQ(SearchTerm, "treasure");
}

TEST_F(SearchBox, LooksAsTheReaderExpects) {
  SearchTerm = "lighthouse";
  Rect box{}, search{}, esc{}, whole{};
  bool allSelected = false, focused = false, topmost = false, frameless = false;
  uint32_t grey = 0;
  std::string text, caption;
  ShowAndDo([&](DialogHandle dialog) {
    whole = DialogRect(dialog);
    box = DialogControlRect(dialog, IdSearchBox);
    search = DialogControlRect(dialog, IdSearchButton);
    esc = DialogControlRect(dialog, IdSearchEsc);
    allSelected = DialogTextAllSelected(dialog);
    focused = DialogTextBoxHasFocus(dialog);
    topmost = DialogIsTopmost(dialog);
    frameless = DialogIsFrameless(dialog);
    grey = DialogBackgroundRgb(dialog);
    text = DialogText(dialog);
    caption = DialogCaption(dialog);
    PressDialogEscape(dialog);
  });
  EXPECT_EQ(text, "lighthouse");
  EXPECT_TRUE(allSelected);
  EXPECT_TRUE(focused);
  EXPECT_TRUE(topmost);
  EXPECT_TRUE(frameless);
  EXPECT_EQ(grey, 0x808080u);
  EXPECT_EQ(caption, "1.8");
  EXPECT_EQ(whole.right - whole.left, 1600);
  EXPECT_EQ(whole.bottom - whole.top, 250);
  Rect area = WorkArea();
  EXPECT_NEAR(whole.left - area.left, area.right - whole.right, 1);
  EXPECT_NEAR(whole.top - area.top, area.bottom - whole.bottom, 1);
  const std::pair<Rect, Rect> controls[] = {
      {box, {25, 25, 1000, 225}}, {search, {1025, 25, 1225, 225}}, {esc, {1250, 25, 1575, 225}}};
  for (const auto& [got, want] : controls) {
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
  }
}

}  // namespace
}  // namespace vt
