// Display options: the size rule at several DPI settings, the pane font made from the settings,
// the face and colour cycles, zoom, bold, hand-edited sizes and the bar's button sets.
#include <cmath>

#include "platform/testing.h"
#include "bar/icon_bar.h"
#include "tests/reader/pane_fixture.h"

namespace vt::testing {
namespace {

using DisplayOptions = PaneTest;

TEST_F(DisplayOptions, ScaledSizesAtCommonDpiSettings) {
  struct Case {
    double dpi;
    long double points, scaled;
  } cases[] = {{96, 64, 64}, {96, 32, 32}, {144, 64, 42.6L}, {144, 32, 21.3L},
               {192, 64, 32}, {192, 32, 16}, {120, 64, 51.2L}, {144, -4, -2.7L}};
  for (const Case& c : cases) {
    FontScale = 96.0L / c.dpi;
    EXPECT_NEAR(static_cast<double>(ScaledFontSize(c.points)), static_cast<double>(c.scaled), 1e-9)
        << c.points << " at " << c.dpi;
  }
}

TEST_F(DisplayOptions, EveryDpiGivesTheSameHeightInPixels) {
  FontSize = 64;
  for (double dpi : {96.0, 144.0, 192.0}) {
    FontScale = 96.0L / dpi;
    EXPECT_EQ(MakePaneFontRequest(dpi).pixelHeight, 85) << dpi;
  }
}

TEST_F(DisplayOptions, ThePaneFontFollowsTheSettings) {
  FontName = "Times New Roman";
  FontSize = 40;
  FontAttr = 1 | 4;
  PaneFontRequest font = MakePaneFontRequest(96);
  EXPECT_EQ(font.face, "Times New Roman");
  EXPECT_EQ(font.pixelHeight, 53);
  EXPECT_TRUE(font.bold);
  EXPECT_FALSE(font.italic);
  EXPECT_TRUE(font.underline);
  FontName = std::string(40, 'F');
  EXPECT_EQ(MakePaneFontRequest(96).face.size(), 31u);
}

TEST_F(DisplayOptions, ZoomOutThroughZeroGivesEightPointTypeThenNegative) {
  FontSize = 4;
  ZoomOut();
  EXPECT_EQ(FontSize, 0);
  EXPECT_EQ(PaneFont.pixelHeight, static_cast<int>(std::lround(8 * ScreenDpiY() / 72)));
  ZoomOut();
  EXPECT_EQ(FontSize, -4);
  EXPECT_EQ(PaneFont.pixelHeight, static_cast<int>(std::lround(-4 * ScreenDpiY() / 72)));
  ZoomIn();
  ZoomIn();
  EXPECT_EQ(FontSize, 4);
}

TEST_F(DisplayOptions, HandEditedSizesKeepTheirValueAndThePaneKeepsWorking) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "Some words of a line that wraps at large sizes.\r\n";
  PaneSetPlainText(PaneWindow, text);
  for (int32_t size : {0, -1, -64, 100000, 2147483647, -2147483647 - 1}) {
    FontSize = size;
    ChangeFontSize(0);
    ApplyColors();
    EXPECT_EQ(FontSize, size);
    EXPECT_GT(PaneLineCount(PaneWindow), 0) << size;
    ProcessPendingEvents();
  }
  FontSize = 2147483647;
  ZoomIn();  // stays at the largest size rather than wrapping round
  EXPECT_EQ(FontSize, 2147483647);
}

TEST_F(DisplayOptions, ColourCycleFromEverySchemeAndFromOutside) {
  struct Case {
    ColourRef background, text, nextBackground, nextText;
  } cases[] = {
      {16777215, 0, 0, 16777215},       // black on white -> white on black
      {0, 16777215, 16711680, 65535},   // -> yellow on blue
      {16711680, 65535, 65535, 0},      // -> black on yellow
      {65535, 0, 16777215, 0},          // -> black on white
      {8421504, 0, 16777215, 0},        // grey: not a scheme -> the first
      {16711680, 0, 16777215, 0},       // blue with black text: not a scheme
  };
  for (const Case& c : cases) {
    BGColor = c.background;
    TextColor = c.text;
    CycleColors();
    EXPECT_EQ(BGColor, c.nextBackground) << c.background << "/" << c.text;
    EXPECT_EQ(TextColor, c.nextText) << c.background << "/" << c.text;
  }
}

TEST_F(DisplayOptions, FaceCycleAndFacesOutsideIt) {
  const char* order[] = {"Tahoma", "Courier New", "Times New Roman", "Comic Sans MS", "Tahoma"};
  FontName = order[0];
  for (int i = 1; i < 5; ++i) {
    CycleFontName();
    EXPECT_EQ(FontName, order[i]);
    EXPECT_EQ(PaneFont.face, order[i]);
  }
  for (const char* outside : {"Arial", "tahoma", ""}) {
    FontName = outside;
    CycleFontName();
    EXPECT_EQ(FontName, outside);
    EXPECT_EQ(PaneFont.face, outside);
  }
}

TEST_F(DisplayOptions, BoldFlipsOnlyItsBit) {
  FontAttr = 2;
  ToggleBold();
  EXPECT_EQ(FontAttr, 3);
  EXPECT_TRUE(PaneFont.bold);
  EXPECT_TRUE(PaneFont.italic);
  ToggleBold();
  EXPECT_EQ(FontAttr, 2);
  EXPECT_FALSE(PaneFont.bold);
}

TEST_F(DisplayOptions, CaseTypesOutsideTheCycle) {
  BookText = "MiXed";  // a book is re-cased from the text it was loaded with
  PaneSetPlainText(PaneWindow, BookText);
  CaseType = 7;
  CycleTextCase();
  EXPECT_EQ(CaseType, 0);
  EXPECT_EQ(Shown(), "MIXED");
  CaseType = -5;
  CycleTextCase();
  EXPECT_EQ(CaseType, -4);
  EXPECT_EQ(Shown(), "MIXED");
}

TEST_F(DisplayOptions, ButtonSetsWrapBothWays) {
  ButtonSet = 2;
  NextButtonSet();
  EXPECT_EQ(ButtonSet, 0);
  PreviousButtonSet();
  EXPECT_EQ(ButtonSet, 2);
  PreviousButtonSet();
  EXPECT_EQ(ButtonSet, 1);
}

}  // namespace
}  // namespace vt::testing
