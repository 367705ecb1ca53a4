// The reading pane's widget over Qt's plain-text editor: the operations the program uses to put
// text in, read it back and place the pane. Positions are 0-based characters in which a paragraph
// break counts as one; lines are display lines (rows after word wrap).
#pragma once
#include <string>

#include "platform/window.h"

namespace vt {

class PaneView;

// Creates the read-only pane as a child of the main window, without a usable size yet.
PaneView* PaneCreate(WindowHandle parent);

// Places and sizes the pane in its parent's client coordinates (nothing for no pane).
void PaneSetGeometry(PaneView* pane, int x, int y, int width, int height);

// Replaces the whole text; CR LF, a lone CR or a lone LF each start a new paragraph.
void PaneSetPlainText(PaneView* pane, const std::string& text);

// The whole text with CR LF at each paragraph break.
std::string PaneGetPlainText(PaneView* pane);

// Gives the pane the keyboard focus.
void PaneSetFocus(PaneView* pane);

// Removes the selection, leaving the caret where it is.
void PaneRemoveSelection(PaneView* pane);

}  // namespace vt
