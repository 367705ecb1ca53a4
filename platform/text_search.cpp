// The pane's find (see text_search.h).
#include "platform/text_search.h"

#include <algorithm>

namespace vt {

SearchSpan SpanOfSearch(int length, int from, int to, bool down) {
  const auto endOf = [length](int end) { return end < 0 || end > length ? length : end; };
  if (down) return {std::clamp(from, 0, length), endOf(to)};
  return {std::clamp(to, 0, length), endOf(from)};  // upward: from `from` back to `to`
}

int FindFoldedTerm(std::u16string_view text, std::u16string_view term, SearchSpan span, bool down) {
  const int end = std::min(span.end, static_cast<int>(text.size()));
  if (term.empty() || span.begin < 0 || end - span.begin < static_cast<int>(term.size())) return -1;
  const std::u16string_view part = text.substr(static_cast<std::size_t>(span.begin), static_cast<std::size_t>(end - span.begin));
  const std::size_t at = down ? part.find(term) : part.rfind(term);
  return at == std::u16string_view::npos ? -1 : span.begin + static_cast<int>(at);
}

}  // namespace vt
