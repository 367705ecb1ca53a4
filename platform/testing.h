// What a user does and sees, for tests and benchmarks only: the program itself never calls these.
// Each back end implements them beside the widget they drive.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace vt {

class BarImages;
class BarView;
class PaneView;
class SearchDialogView;

// --- the main window (platform/window.h) ------------------------------------------------------

// Shows the window normally, minimized or maximized at once.
void ShowWithState(MainWidget* window, ShowState state);

// The shortcut table attached last.
std::vector<Shortcut> AttachedShortcuts(MainWidget* window);

// True once the window has painted its first frame.
bool WindowHasPainted(MainWidget* window);

// The events the window raises, to raise one as the desktop would.
const MainWindowEvents& EventsOfMainWindow(MainWidget* window);

// --- the bar (platform/bar.h) ------------------------------------------------------------------

// The images of a list and their size; whether the bar is shown (not hidden behind a notice).
int BarImagesCount(BarImages* images);
int BarImagesSize(BarImages* images);
bool BarIsVisible(BarView* bar);

// One button as the bar holds it.
struct BarButtonInfo {
  int image;
  int command;
  std::string label;
  std::string accessibleName;
};
BarButtonInfo BarButtonAt(BarView* bar, int index);

// --- the reading pane (platform/pane.h) ----------------------------------------------------------

// True while the pane exists (a pane goes with the window it sits in).
bool PaneExists(PaneView* pane);

// --- the search box (platform/search_dialog.h) ------------------------------------------------

enum class SearchDialogControl { Box, SearchButton, EscButton };

// Types a text (replacing the box's text), presses Enter or Esc, clicks a button, right-clicks.
void TypeDialogText(SearchDialogView* dialog, const std::string& text);
void PressDialogEnter(SearchDialogView* dialog);
void PressDialogEscape(SearchDialogView* dialog);
void ClickDialogButton(SearchDialogView* dialog, SearchDialogControl button);
void RightClickDialog(SearchDialogView* dialog);

// The dialog's screen rectangle and a control's rectangle inside it, whether the whole text is
// selected, whether the box has the keyboard focus, the background's grey as 0xRRGGBB, whether
// the dialog stays on top and whether it is frameless.
Rect DialogRect(SearchDialogView* dialog);
Rect DialogControlRect(SearchDialogView* dialog, SearchDialogControl control);
bool DialogTextAllSelected(SearchDialogView* dialog);
bool DialogTextBoxHasFocus(SearchDialogView* dialog);
uint32_t DialogBackgroundRgb(SearchDialogView* dialog);
bool DialogIsTopmost(SearchDialogView* dialog);
bool DialogIsFrameless(SearchDialogView* dialog);

}  // namespace vt
