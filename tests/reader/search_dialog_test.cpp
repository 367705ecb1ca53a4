// The search box: what it stores, how it closes, and how it looks.
#include <gtest/gtest.h>

#include <functional>

#include "platform/search_dialog.h"
#include "platform/testing.h"
#include "reader/search.h"
#include "core/settings_file.h"

namespace vt {
namespace {

TEST(StoredSearchTerm, IsCutLowerCasedAndStrippedOfBlanks) {
  const std::string a258(258, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"  Moby DICK  ", "moby dick"},
      {"     ", ""},
      {"\ttab stays\t", "\ttab stays\t"},                        // only the blank is stripped
      {"\xC3\x89" "COLE \xC3\x97", "\xC3\xA9" "cole \xC3\x97"},  // E acute lowers, the times sign stays
      {std::string(300, 'A'), std::string(259, 'a')},
      {std::string(258, ' ') + "xy", "x"},                       // cut first, then stripped
      {a258 + "\xC3\xA9\xC3\xA9", a258 + "\xC3\xA9"},            // never inside a character
      {a258 + "\xF0\x9F\x98\x80", a258},                         // this one needs two units
  };
  for (const auto& [typed, stored] : cases) EXPECT_EQ(StoredSearchTerm(typed), stored) << typed;
}

class SearchBox : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    sBeepOn = 0;
  }
  // Opens the box and lets `act` play the user once it is shown; a box left open closes later.
  static void ShowAndDo(std::function<void(SearchDialogView*)> act) {
    static int generation = 0;
    int mine = ++generation;
    RunLater(0, [act] { act(SearchDialogWindow); });
    RunLater(3000, [mine] {
      if (generation == mine && SearchDialogWindow) EndSearchDialog(SearchDialogWindow);
    });
    ShowSearchDialog();
  }
};

TEST_F(SearchBox, EnterAndTheImageButtonStoreTheTerm) {
  for (bool enter : {true, false}) {
    ShowAndDo([enter](SearchDialogView* box) {
      TypeDialogText(box, "  Sea Serpent ");
      enter ? PressDialogEnter(box) : ClickDialogButton(box, SearchDialogControl::SearchButton);
    });
    EXPECT_EQ(SearchTerm, "sea serpent");
    EXPECT_EQ(SearchDialogWindow, nullptr);
    SearchTerm = "other";
  }
}

TEST_F(SearchBox, EscTheEscButtonAndARightClickKeepTheTerm) {
  const std::function<void(SearchDialogView*)> closers[] = {
      [](SearchDialogView* box) { PressDialogEscape(box); },
      [](SearchDialogView* box) { ClickDialogButton(box, SearchDialogControl::EscButton); },
      [](SearchDialogView* box) { RightClickDialog(box); },
  };
  for (const auto& close : closers) {
    SearchTerm = "kept";
    ShowAndDo([&close](SearchDialogView* box) {
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

TEST_F(SearchBox, IsAGreyCentredBarWithTheTermSelected) {
  SearchTerm = "lighthouse";
  SearchDialogLooks looks{};
  std::string text;
  ShowAndDo([&](SearchDialogView* dialog) {
    looks = LooksOfSearchDialog(dialog);
    text = DialogText(dialog);
    PressDialogEscape(dialog);
  });
  EXPECT_EQ(text, "lighthouse");
  EXPECT_TRUE(looks.textAllSelected && looks.boxHasFocus && looks.topmost && looks.frameless);
  EXPECT_EQ(looks.backgroundRgb, 0x000000u);  // the white box stands out from it
  const Rect &whole = looks.dialog, &box = looks.box, &search = looks.searchButton, &esc = looks.escButton;
  Rect area = WorkArea();
  EXPECT_EQ(whole.right - whole.left, 1600);
  EXPECT_EQ(whole.bottom - whole.top, 250);
  EXPECT_NEAR(whole.left - area.left, area.right - whole.right, 1);
  EXPECT_NEAR(whole.top - area.top, area.bottom - whole.bottom, 1);
  EXPECT_EQ((std::array{box.left, box.right, search.left, search.right, esc.left, esc.right}),
            (std::array{25, 1000, 1025, 1225, 1250, 1575}));
  EXPECT_EQ((std::array{box.top, box.bottom, search.top, esc.bottom}), (std::array{25, 225, 25, 225}));
}

}  // namespace
}  // namespace vt
