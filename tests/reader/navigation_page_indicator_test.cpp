// The page indicator's arithmetic and its number format.
#include <gtest/gtest.h>

#include "reader/navigation.h"

namespace vt {
namespace {

// A pane of 110 px with type of 10 points: lines are 11 px high, so 10 lines make a page.
constexpr double kTenLinesHigh = 110, kTenPointType = 10;

struct PageCase {
  int32_t caretLine, lineCount;
  const char* message;
};

TEST(PageIndicator, RoundsHalfPagesToTheEvenNeighbour) {
  const PageCase cases[] = {
      {1, 200, " Page: 1 of 20"},   {4, 200, " Page: 1 of 20"},  {5, 200, " Page: 2 of 20"},
      {14, 200, " Page: 2 of 20"},  {15, 200, " Page: 2 of 20"}, {25, 200, " Page: 4 of 20"},
      {95, 95, " Page: 10 of 10"},  {3, 3, " Page: 0 of 0"},
      {5, 5, " Page: 0 of 0"},      {15, 15, " Page: 2 of 2"},   {1, 1, " Page: 0 of 0"},
      {200, 200, " Page: 20 of 20"},
  };
  for (const PageCase& c : cases)
    EXPECT_EQ(PageIndicatorText(kTenLinesHigh, kTenPointType, c.caretLine, c.lineCount), c.message)
        << "caret line " << c.caretLine << " of " << c.lineCount;
}

TEST(PageIndicator, CapsThePageAtThePageCount) {
  // 94 lines are 9.4 pages, shown as 9; the caret's line gives 10.4, which the count caps.
  EXPECT_EQ(PageIndicatorText(kTenLinesHigh, kTenPointType, 94, 94), " Page: 9 of 9");
}

TEST(PageIndicator, LinesPerPageDropTheRemainderOfRoundedOperands) {
  // 64-point type: lines of round(70.4) = 70 px. 909 px hold 12 lines (12.98), 910 px hold 13.
  EXPECT_EQ(PageIndicatorText(909, 64, 1, 1200), " Page: 1 of 100");
  EXPECT_EQ(PageIndicatorText(910, 64, 1, 1300), " Page: 1 of 100");
  // The height is rounded half to even before dividing: 139.5 -> 140 holds two 70 px lines.
  EXPECT_EQ(PageIndicatorText(139.5, 64, 1, 20), " Page: 2 of 10");
}

TEST(PageIndicator, PaneShorterThanOneLineCountsOneLinePerPage) {
  EXPECT_EQ(PageIndicatorText(30, 64, 3, 7), " Page: 4 of 7");
  EXPECT_EQ(PageIndicatorText(0, 64, 1, 2), " Page: 2 of 2");
  EXPECT_EQ(PageIndicatorText(500, 0, 2, 9), " Page: 3 of 9");  // no type height at all
}

TEST(PageIndicator, GroupsDigitsInThrees) {
  EXPECT_EQ(PageIndicatorText(kTenLinesHigh, kTenPointType, 12340, 12340), " Page: 1,234 of 1,234");
  EXPECT_EQ(PageIndicatorText(kTenLinesHigh, kTenPointType, 9990, 1234560), " Page: 1,000 of 123,456");
}

TEST(GroupedNumber, FormatsLikeHashCommaZero) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0"},         {7, "7"},           {999, "999"},          {1000, "1,000"},
      {1234, "1,234"},  {12345, "12,345"},  {123456, "123,456"},   {1234567, "1,234,567"},
      {-1234, "-1,234"}, {-999, "-999"},    {2147483647, "2,147,483,647"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(GroupedNumber(value), text) << value;
}

}  // namespace
}  // namespace vt
