// The pane's text ranges (see pane_ranges.h), and the selection rule both back ends share.
#include "platform/pane_ranges.h"

#include <algorithm>

#include "platform/pane.h"

namespace vt {

CharRange SelectionWithin(int start, int end, int length) {
  if (end < 0 || end > length) end = length;
  return CharRange{std::min(start, length), end};
}

void PaneSetSelection(PaneView* pane, int start, int end) {
  if (start < 0) return PaneRemoveSelection(pane);
  PaneSelectWithin(pane, SelectionWithin(start, end, PaneTextLength(pane)));
}

}  // namespace vt
