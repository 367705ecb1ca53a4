// The pane's find on every system: which part of the text a search looks at, and which match it
// takes there. Each back end compares characters without regard to case by its own system's
// Unicode tables; where a back end has the text with its letters folded, the search itself is this
// one. Pure; any thread.
#pragma once
#include <string_view>

namespace vt {

// The part [begin, end) of a text `length` characters long that a find from `from` towards `to`
// (-1 or past the text: its end) looks at. A match lies wholly inside it: downward the first,
// upward the last.
struct SearchSpan {
  int begin, end;
};
SearchSpan SpanOfSearch(int length, int from, int to, bool down);

// The start of the match of `term` inside the span of `text`, both with their letters folded the
// same way, or -1.
int FindFoldedTerm(std::u16string_view text, std::u16string_view term, SearchSpan span, bool down);

}  // namespace vt
