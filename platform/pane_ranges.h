// The ranges of the pane's text as the pane's operations take them on every system: a selection
// asked for with an end of -1, or one past the text, ends where the text does; a start of -1
// removes the selection. Pure but for the one call each back end makes into its widget.
#pragma once

namespace vt {

class PaneView;

struct CharRange {
  int start, end;
};

// The selection [start, end) of a text `length` characters long (start >= 0; it may be above end).
CharRange SelectionWithin(int start, int end, int length);

// What each back end does to select a range already within its text, the caret at its end.
void PaneSelectWithin(PaneView* pane, CharRange range);

}  // namespace vt
