// The pane's text ranges (see pane_ranges.h).
#include "platform/pane_ranges.h"

#include <algorithm>

namespace vt {

CharRange SelectionWithin(int start, int end, int length) {
  if (end < 0 || end > length) end = length;
  return CharRange{std::min(start, length), end};
}

}  // namespace vt
