// The ranges of the pane's text as the pane's operations take them on every system: a selection
// asked for with an end of -1, or one past the text, ends where the text does. Pure; any thread.
#pragma once

namespace vt {

struct CharRange {
  int start, end;
};

// The selection [start, end) of a text `length` characters long (start >= 0; it may be above end).
CharRange SelectionWithin(int start, int end, int length);

}  // namespace vt
