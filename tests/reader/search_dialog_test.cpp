// The search box: what it stores, how it closes, and how it looks.
#include <gtest/gtest.h>

#include <functional>

#include <cmath>

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
  // Its place on the screen follows LayOutSearchBox (below); its controls lie inside it.
  for (const Rect* control : {&box, &search, &esc})
    EXPECT_TRUE(control->left >= 0 && control->right <= whole.right - whole.left && control->bottom <= whole.bottom - whole.top);
}

// The design (1600 x 250, the box 25 ... 1000, the buttons 1025 ... 1225 and 1250 ... 1575) where it
// fits; scaled as a whole, with the field and both buttons inside the window, where it does not.
TEST(SearchBoxLayout, FitsInsideTheWindowCentredOnIt) {
  struct Case { Rect window; int width; int boxRight; int escRight; };
  for (const Case& c : {Case{{0, 0, 1920, 1080}, 1600, 1000, 1575}, Case{{100, 50, 1380, 850}, 1248, 780, 1229},
                        Case{{0, 0, 1024, 768}, 992, 620, 977}}) {
    SearchBoxLayout layout = LayOutSearchBox(c.window, 128);
    const Rect& d = layout.dialog;
    std::string where = "window " + std::to_string(c.window.right - c.window.left);
    EXPECT_EQ(d.right - d.left, c.width) << where;
    EXPECT_TRUE(d.left >= c.window.left && d.right <= c.window.right && d.top >= c.window.top && d.bottom <= c.window.bottom) << where;
    EXPECT_NEAR(d.left - c.window.left, c.window.right - d.right, 1) << where;
    EXPECT_EQ(layout.box.right, c.boxRight) << where;
    EXPECT_EQ(layout.escButton.right, c.escRight) << where;
    EXPECT_LE(layout.escButton.bottom, d.bottom - d.top) << where;
    EXPECT_LT(layout.box.right, layout.searchButton.left) << where;
    EXPECT_LE(layout.iconSize, layout.searchButton.right - layout.searchButton.left) << where;
    EXPECT_EQ(layout.fontPixelHeight, std::lround(128.0 * c.width / 1600)) << where;
  }
}

}  // namespace
}  // namespace vt
