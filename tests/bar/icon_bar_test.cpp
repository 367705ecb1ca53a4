// The icon bar: which buttons each state shows, how they are sized and placed, and where clicks
// and right-clicks on them go.
#include <map>

#include "bar/bar_test_window.h"

namespace vt::testing {
namespace {

using Buttons = std::vector<std::string>;

class IconBarLayout : public BarWindowTest {
 protected:
  Buttons Rebuilt() {
    BuildIconBar();
    return ShownButtons();
  }
};

TEST_F(IconBarLayout, ReadingSetShowsPlayOrStopByTheReadingState) {
  EXPECT_EQ(Rebuilt(), (Buttons{"Exit xpower 512", "Books xbook 520", "Play xplay 507", "Home xhome 528",
                                "Next xnext 526", "Prev xprev 527", "Search xsearch 523", "Again xsearch 524",
                                "Page xpage 529", "Menu xmenu13 513"}));
  IsSpeaking = 1;
  EXPECT_EQ(Rebuilt()[2], "Stop xstop 508");
  EXPECT_EQ(Rebuilt().size(), 10u);
  IsSpeaking = 2;  // neither state: neither button
  EXPECT_EQ(ButtonIndex("Play"), -1);
  EXPECT_EQ(Rebuilt().size(), 9u);
}

TEST_F(IconBarLayout, SpeechSetTestsEveryConditionOnItsOwn) {
  ButtonSet = 1;
  struct Case {
    int male, rate, slow, fast;
    Buttons middle;  // what stands between "Softer" and "Menu"
  };
  const Case cases[] = {
      {1, 0, -3, 3, {"Male xmale 511", "Normal xspeed 530"}},  // the defaults
      {0, -3, -3, 3, {"Female xfemale 511", "Slow xspeed 530"}},
      {0, 3, -3, 3, {"Female xfemale 511", "Fast xspeed 530"}},
      {2, 0, -3, 3, {"Normal xspeed 530"}},                    // no voice button for another value
      {-1, 0, -3, 3, {"Normal xspeed 530"}},
      {1, 5, -3, 3, {"Male xmale 511"}},                       // a rate that is none of the three
      {1, 0, 0, 0, {"Male xmale 511", "Slow xspeed 530", "Normal xspeed 530", "Fast xspeed 530"}},
      {1, 0, 0, 3, {"Male xmale 511", "Slow xspeed 530", "Normal xspeed 530"}},
      {1, 0, -3, 0, {"Male xmale 511", "Normal xspeed 530", "Fast xspeed 530"}},
      {1, 4, 4, 4, {"Male xmale 511", "Slow xspeed 530", "Fast xspeed 530"}},
  };
  for (const Case& c : cases) {
    MaleVoice = c.male;
    vRate = c.rate;
    SlowRate = c.slow;
    FastRate = c.fast;
    Buttons expected{"Exit xpower 512", "Play xplay 507", "Louder xlouder 509", "Softer xsofter 510"};
    if (c.male == 0) expected[1] = "Stop xstop 508";  // read aloud meanwhile
    IsSpeaking = c.male == 0;
    expected.insert(expected.end(), c.middle.begin(), c.middle.end());
    expected.push_back("Menu xmenu23 513");
    EXPECT_EQ(Rebuilt(), expected) << "MaleVoice " << c.male << " vRate " << c.rate << " SlowRate " << c.slow
                                   << " FastRate " << c.fast;
  }
}

TEST_F(IconBarLayout, AppearanceSetAndWideLayout) {
  ButtonSet = 2;
  EXPECT_EQ(Rebuilt(), (Buttons{"Exit xpower 512", "Case xcase 531", "Larger xplus 514", "Smaller xminus 515",
                                "Color xcolor 518", "Bold xbold 517", "Font xfont 516", "Menu xmenu33 513"}));
  WideMenu = 1;
  IsSpeaking = 1;
  for (int set : {0, 1, 2, 7}) {  // the wide layout does not depend on the set and has no Menu
    ButtonSet = set;
    EXPECT_EQ(Rebuilt(), (Buttons{"Exit xpower 512", "Books xbook 520", "Stop xstop 508", "Home xhome 528",
                                  "Next xnext 526", "Prev xprev 527", "Page xpage 529", "Larger xplus 514",
                                  "Smaller xminus 515", "Color xcolor 518"}));
  }
  WideMenu = -4;  // any value but 0 is the wide layout
  EXPECT_EQ(Rebuilt().size(), 10u);
}

TEST_F(IconBarLayout, SetOutsideTheThreeShowsAnEmptyBar) {
  for (int set : {3, -1}) {
    ButtonSet = set;
    EXPECT_TRUE(Rebuilt().empty());
    EXPECT_EQ(BarRightEdge(), 0);
    EXPECT_GT(BarHeight, 0);  // the bar is still there, across the top
  }
}

// Screen readers: the name is the label a user sees (with the state's kind for a state button),
// the description the long name.
TEST_F(IconBarLayout, EveryButtonIsNamedByItsLabelAndDescribedByItsLongName) {
  auto speech = [] {
    std::vector<std::string> out;
    for (int i = 0; i < BarButtonCount(BarWindow); ++i)
      out.push_back(BarButtonAt(BarWindow, i).accessibleName + " / " + BarButtonAt(BarWindow, i).accessibleDescription);
    return out;
  };
  EXPECT_EQ(speech(), (std::vector<std::string>{"Exit / ", "Books / Next Book", "Play / Speak Text", "Home / Scroll To Top",
                                                "Next / Next Chapter", "Prev / Previous Chapter", "Search / Enter Search Term",
                                                "Again / Search Again", "Page / Page Number", "Menu / "}));
  ButtonSet = 1;
  vRate = SlowRate;
  BuildIconBar();
  EXPECT_EQ(speech(), (std::vector<std::string>{"Exit / ", "Play / Speak Text", "Louder / Increase Volume",
                                                "Softer / Decrease Volume", "Male voice / Male Vs Female Voice",
                                                "Slow speech / Change Speech Rate", "Menu / "}));
}

class IconBarGeometry : public BarWindowTest {};

TEST_F(IconBarGeometry, BarSpansTheTopAndButtonsFollowEachOtherWithoutWrapping) {
  Rect bar = BarWindowRect(BarWindow);
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.top, 0);
  EXPECT_EQ(bar.right, 1920);
  EXPECT_EQ(BarHeight, bar.bottom - bar.top);
  EXPECT_EQ(BarWindowRect(BarWindow).bottom - BarWindowRect(BarWindow).top, BarHeight);
  int previousRight = 0;
  for (int i = 0; i < BarButtonCount(BarWindow); ++i) {
    Rect r = BarButtonRect(BarWindow, i);
    EXPECT_GE(r.left, previousRight) << i;
    EXPECT_EQ(r.top, BarButtonRect(BarWindow, 0).top) << i;
    EXPECT_LE(r.bottom, BarHeight) << i;
    EXPECT_GE(r.right - r.left, IconSize) << i;
    EXPECT_GE(r.bottom - r.top, IconSize + BarFont.pixelHeight) << i;
    previousRight = r.right;
  }
  EXPECT_EQ(BarRightEdge(), previousRight);
  EXPECT_LT(BarRightEdge(), 1920);
}

TEST_F(IconBarGeometry, ButtonWidthFollowsTheLabelWhenItIsWiderThanTheIcon) {
  ButtonSet = 2;
  BuildIconBar();
  const int smallerText = TextWidthInFont(BarFont.face, BarFont.pixelHeight, true, "Smaller");
  ASSERT_GT(smallerText, IconSize);  // the case this test is about
  Rect exit = BarButtonRect(BarWindow, ButtonIndex("Exit"));
  Rect smaller = BarButtonRect(BarWindow, ButtonIndex("Smaller"));
  EXPECT_GE(smaller.right - smaller.left, smallerText);
  EXPECT_GT(smaller.right - smaller.left, exit.right - exit.left);
}

TEST_F(IconBarGeometry, IconSizeScalesTheButtons) {
  ResizeWindow(MainWindow, 4000, 1080);  // room for the largest icons
  BuildIconBar();
  int heightAt128 = BarHeight;
  int widthAt128 = BarButtonRect(BarWindow, 0).right - BarButtonRect(BarWindow, 0).left;
  IconSize = 256;
  CreateBarImageList();
  BuildIconBar();
  EXPECT_EQ(BarImagesSize(BarImageList), 256);
  EXPECT_EQ(BarHeight, heightAt128 + 128);
  EXPECT_EQ(BarButtonRect(BarWindow, 0).right - BarButtonRect(BarWindow, 0).left, widthAt128 + 128);
  IconSize = 64;
  CreateBarImageList();
  BuildIconBar();
  EXPECT_EQ(BarHeight, heightAt128 - 64);
}

TEST_F(IconBarGeometry, IconSizesFromAnEditedFileDoNotBreakTheBar) {
  for (int size : {0, -20, 1, 100000}) {
    IconSize = size;
    CreateBarImageList();
    EXPECT_EQ(BarImagesCount(BarImageList), 23) << size;
    EXPECT_LE(BarImagesSize(BarImageList), 1024) << size;
    BuildIconBar();
    EXPECT_EQ(BarButtonCount(BarWindow), 10) << size;
    EXPECT_GE(BarHeight, BarFont.pixelHeight) << size;  // the labels are still there
    EXPECT_LT(BarHeight, 1024 + 200) << size;
  }
}

// ... and the three narrow sets are equally high at each width, so that Menu never moves the text.
TEST_F(IconBarGeometry, EveryButtonShowsDownTo1024PixelsThenTheBarIsCutOff) {
  const int heightAt1920 = BarHeight;
  std::map<int, int> narrowHeightAt;
  for (int wide : {0, 1})
    for (int set : {0, 1, 2})
      for (int width : {1920, 1366, 1280, 1024}) {
        WideMenu = wide;
        ButtonSet = set;
        ResizeWindow(MainWindow, width, 700);
        BuildIconBar();
        std::string where = "wide " + std::to_string(wide) + " set " + std::to_string(set) + " at " + std::to_string(width);
        EXPECT_LE(BarRightEdge(), width) << where;
        EXPECT_LE(BarHeight, heightAt1920) << where;
        if (wide == 0) {
          EXPECT_EQ(BarHeight, narrowHeightAt.emplace(width, BarHeight).first->second) << where;
        }
        for (int i = 0; i < BarButtonCount(BarWindow); ++i) {
          Rect r = BarButtonRect(BarWindow, i);
          EXPECT_GE(std::min(r.right - r.left, r.bottom - r.top), 64) << where << " button " << i;
        }
        EXPECT_EQ(IconSize, 128);  // the stored preference stays
      }
  ResizeWindow(MainWindow, 400, 600);  // too narrow for any fit: cut off, never wrapped
  BuildIconBar();
  EXPECT_EQ(BarWindowRect(BarWindow).right, 400);
  EXPECT_GT(BarRightEdge(), 400);
  int last = BarButtonCount(BarWindow) - 1;
  EXPECT_EQ(BarButtonRect(BarWindow, last).top, BarButtonRect(BarWindow, 0).top);
}

TEST_F(IconBarGeometry, ButtonsKeepTheirPlacesWhenALabelChanges) {
  auto places = [] {
    BuildIconBar();
    std::vector<int> edges;
    for (int i = 0; i < BarButtonCount(BarWindow); ++i) edges.push_back(BarButtonRect(BarWindow, i).right);
    return edges;
  };
  ButtonSet = 1;
  for (int width : {1920, 1024}) {
    ResizeWindow(MainWindow, width, 700);
    std::vector<int> first = places();
    IsSpeaking = 1;
    EXPECT_EQ(places(), first) << width;
    MaleVoice = 0;
    EXPECT_EQ(places(), first) << width;
    for (int rate : {SlowRate, FastRate}) {
      vRate = rate;
      EXPECT_EQ(places(), first) << width << " rate " << rate;
    }
    IsSpeaking = 0;
    MaleVoice = 1;
    vRate = 0;
  }
}

TEST_F(IconBarGeometry, BarFollowsTheWindowWidth) {
  InitialiseAndShow(MainWindow);
  ResizeWindow(MainWindow, 1000, 700);
  EXPECT_EQ(BarWindowRect(BarWindow).right, 1000);
  ResizeWindow(MainWindow, 1900, 700);
  EXPECT_EQ(BarWindowRect(BarWindow).right, 1900);
}

class IconBarClicks : public BarWindowTest {};

TEST_F(IconBarClicks, EveryButtonSendsItsCommand) {
  forwardMessages = false;
  for (int set : {0, 1, 2}) {
    ButtonSet = set;
    BuildIconBar();
    for (int i = 0; i < BarButtonCount(BarWindow); ++i) {
      recorded.clear();
      ClickButton(BarButtonAt(BarWindow, i).label);
      ASSERT_EQ(recorded.size(), 1u) << set << " " << i;
      EXPECT_EQ(recorded[0].event, "command");
      EXPECT_EQ(recorded[0].value, BarButtonAt(BarWindow, i).command);
    }
  }
}

TEST_F(IconBarClicks, RightClickRaisesTheButtonsCommand) {
  forwardMessages = false;
  ClickButton("Prev", MouseButton::Right);
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].event, "barRightClick");
  EXPECT_EQ(recorded[0].value, CmdPrev);
  recorded.clear();
  Rect bar = BarWindowRect(BarWindow);
  ClickAt(BarRightEdge() + 50, bar.bottom / 2, MouseButton::Right);  // beside the last button
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].value, -1);
}

TEST_F(IconBarClicks, MenuStepsForwardAndRightClickStepsBack) {
  std::vector<int> forward;
  for (int i = 0; i < 3; ++i) {
    ClickButton("Menu");
    forward.push_back(ButtonSet);
  }
  EXPECT_EQ(forward, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(BarButtonAt(BarWindow, ButtonIndex("Menu")).image + 1, 11);  // "xmenu13"
  std::vector<int> back;
  for (int i = 0; i < 3; ++i) {
    ClickButton("Menu", MouseButton::Right);
    back.push_back(ButtonSet);
    EXPECT_EQ(BarIconName(BarButtonAt(BarWindow, ButtonIndex("Menu")).image + 1),
              std::string("xmenu") + std::to_string(ButtonSet + 1) + "3");
  }
  EXPECT_EQ(back, (std::vector<int>{2, 1, 0}));
}

TEST_F(IconBarClicks, MenuKeyInTheWideLayoutShowsAfterReturningToTheNarrowOne) {
  RunCommand(CmdWideMenu);
  EXPECT_EQ(WideMenu, 1);
  RunCommand(CmdMenu);  // the key N
  EXPECT_EQ(ButtonSet, 1);
  EXPECT_EQ(ButtonIndex("Menu"), -1);
  EXPECT_EQ(ShownButtons()[1], "Books xbook 520");
  RunCommand(CmdWideMenu);
  EXPECT_EQ(WideMenu, 0);
  EXPECT_EQ(ShownButtons()[2], "Louder xlouder 509");
}

TEST_F(IconBarClicks, PressOnTheEmptyBarReachesTheWindowButPressOnAButtonDoesNot) {
  forwardMessages = false;
  Rect bar = BarWindowRect(BarWindow);
  auto pressed = [] {
    for (const Recorded& r : recorded)
      if (r.event == "pressed") return true;
    return false;
  };
  ClickAt(BarRightEdge() + 100, bar.bottom / 2, MouseButton::Left);
  EXPECT_TRUE(pressed());
  recorded.clear();
  ClickButton("Home");
  EXPECT_FALSE(pressed());
}

TEST_F(IconBarClicks, RebuildFromInsideItsOwnClickLeavesOneBar) {
  ClickButton("Menu");
  ClickButton("Menu");
  EXPECT_EQ(ShownBarCount(MainWindow), 1);
  EXPECT_EQ(ButtonSet, 2);
}

}  // namespace
}  // namespace vt::testing
