// The page indicator's arithmetic and its number format.
#include <gtest/gtest.h>

#include "reader/navigation.h"

namespace vt {
namespace {

TEST(PageIndicator, RoundsHalfPagesToEvenCapsThePageAndGroupsDigits) {
  struct Case {
    double height, points;  // 110 px with 10-point type: 11 px lines, 10 lines a page
    int32_t caretLine, lineCount;
    const char* message;
  } const cases[] = {
      {110, 10, 1, 200, " Page: 1 of 20"},      {110, 10, 4, 200, " Page: 1 of 20"},
      {110, 10, 5, 200, " Page: 2 of 20"},      {110, 10, 15, 200, " Page: 2 of 20"},
      {110, 10, 25, 200, " Page: 4 of 20"},     {110, 10, 95, 95, " Page: 10 of 10"},
      {110, 10, 94, 94, " Page: 9 of 9"},       {110, 10, 3, 3, " Page: 0 of 0"},
      {110, 10, 5, 5, " Page: 0 of 0"},         {110, 10, 15, 15, " Page: 2 of 2"},
      {110, 10, 12340, 12340, " Page: 1,234 of 1,234"},
      {110, 10, 9990, 1234560, " Page: 1,000 of 123,456"},
      {909, 64, 1, 1200, " Page: 1 of 100"},    // 70 px lines: 12 a page, the remainder dropped
      {139.5, 64, 1, 20, " Page: 2 of 10"},     // the height rounds half to even first: 140
      {30, 64, 3, 7, " Page: 4 of 7"},          // shorter than a line: still one line a page
      {0, 64, 1, 2, " Page: 2 of 2"},
      {500, 0, 2, 9, " Page: 3 of 9"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PageIndicatorText(c.height, c.points, c.caretLine, c.lineCount), c.message)
        << c.height << " px, " << c.points << " pt, line " << c.caretLine << " of " << c.lineCount;
}

TEST(PageIndicator, NumbersAreGroupedInThrees) {
  const std::pair<int64_t, const char*> cases[] = {{0, "0"},         {999, "999"},         {1000, "1,000"},
                                                   {123456, "123,456"}, {1234567, "1,234,567"}, {-1234, "-1,234"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(GroupedNumber(value), text);
}

}  // namespace
}  // namespace vt
