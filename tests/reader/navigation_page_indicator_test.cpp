// The page indicator's arithmetic and its number format.
#include <gtest/gtest.h>

#include "reader/navigation.h"

namespace vt {
namespace {

TEST(PageIndicator, APageIsAScreenfulThePagesRoundUpAndThereIsAlwaysOne) {
  struct Case {
    int32_t rowsOnScreen, caretLine, lineCount;
    const char* message;
  } const cases[] = {
      {8, 1, 977, " Page: 1 of 123"},   {8, 8, 977, " Page: 1 of 123"},    {8, 9, 977, " Page: 2 of 123"},
      {8, 977, 977, " Page: 123 of 123"}, {10, 15, 15, " Page: 2 of 2"},   {10, 3, 3, " Page: 1 of 1"},
      {10, 1, 0, " Page: 1 of 1"},      {0, 2, 5, " Page: 2 of 5"},        // shorter than a row: a row a page
      {10, 12340, 12340, " Page: 1,234 of 1,234"}, {10, 9990, 1234560, " Page: 999 of 123,456"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PageIndicatorText(c.rowsOnScreen, c.caretLine, c.lineCount), c.message)
        << c.rowsOnScreen << " rows, line " << c.caretLine << " of " << c.lineCount;
}

TEST(PageIndicator, NumbersAreGroupedInThrees) {
  const std::pair<int64_t, const char*> cases[] = {{0, "0"},         {999, "999"},         {1000, "1,000"},
                                                   {123456, "123,456"}, {1234567, "1,234,567"}, {-1234, "-1,234"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(GroupedNumber(value), text);
}

}  // namespace
}  // namespace vt
