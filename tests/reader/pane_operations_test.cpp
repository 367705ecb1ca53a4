// The pane operations the reader builds on, through the platform's pane alone, so that every back
// end is held to them: text in and out, finding within a range, selections and underline marks.
#include "tests/reader/pane_fixture.h"

namespace vt::testing {
namespace {

using PaneOperations = PaneTest;

TEST_F(PaneOperations, TextComesBackAsItWentIn) {
  const struct {
    bool rich;
    std::string in, shown;
  } cases[] = {
      {false, "one\r\ntwo\rthree\nfour", "one\r\ntwo\r\nthree\r\nfour"},
      {false, "caf\xC3\xA9 na\xC3\xAFve", "caf\xC3\xA9 na\xC3\xAFve"},
      {true, "{\\rtf1\\expndtw360\\expnd72 caf\xC3\xA9\\par \\{x\\}\\expnd0\\expndtw0}", "caf\xC3\xA9\r\n{x}"},
  };
  for (const auto& c : cases) {
    if (c.rich)
      PaneStreamInRtf(PaneWindow, c.in);
    else
      PaneSetPlainText(PaneWindow, c.in);
    EXPECT_EQ(Shown(), c.shown) << c.in;
    int start = -1, end = -1;
    PaneGetSelection(PaneWindow, start, end);
    EXPECT_EQ(start, 0) << "a new text starts with the caret at its start";
    EXPECT_EQ(PaneFirstVisibleLine(PaneWindow), 0);
  }
}

TEST_F(PaneOperations, FindsWithoutCaseWithinTheRangeEitherWay) {
  PaneSetPlainText(PaneWindow, "Tea and tea\r\nand TEA");
  const struct {
    int from, to;
    bool down;
    int found;
  } cases[] = {{0, -1, true, 0}, {1, -1, true, 8}, {1, 10, true, -1}, {19, 0, false, 16},
               {15, 0, false, 8}, {15, 9, false, -1}};
  for (const auto& c : cases) {
    int start = -1, end = -1;
    EXPECT_EQ(PaneFindText(PaneWindow, "tea", c.from, c.to, c.down, start, end), c.found)
        << c.from << " to " << c.to << (c.down ? " down" : " up");
    EXPECT_EQ(end, c.found >= 0 ? c.found + 3 : -1);
  }
}

TEST_F(PaneOperations, MarksUnderlineRangesWithoutMovingTheSelection) {
  PaneSetPlainText(PaneWindow, "one two three four");
  PaneSetSelection(PaneWindow, 4, 7);
  PaneSetRangeUnderline(PaneWindow, 8, 13, true);
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 8, 13));
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 0, 3));
  PaneSetRangeUnderline(PaneWindow, 8, 10, false);
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 8, 13));
  EXPECT_TRUE(PaneRangeUnderlined(PaneWindow, 10, 13));
  PaneClearUnderline(PaneWindow);
  EXPECT_FALSE(PaneRangeUnderlined(PaneWindow, 10, 13));
  int start = -1, end = -1;
  PaneGetSelection(PaneWindow, start, end);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 7);
}

}  // namespace
}  // namespace vt::testing
