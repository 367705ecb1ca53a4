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

// Handles every event that is waiting, without blocking: tests drive the window with it.
void ProcessPendingEvents();

// The window's title, and the show state InitialiseAndShow will show it with.
std::string WindowTitle(MainWidget* window);
ShowState PendingShowState(MainWidget* window);

// Shows the window normally, minimized or maximized at once.
void ShowWithState(MainWidget* window, ShowState state);

// The shortcut table attached last.
std::vector<Shortcut> AttachedShortcuts(MainWidget* window);

// True once the window has painted its first frame.
bool WindowHasPainted(MainWidget* window);

// The events the window raises, to raise one as the desktop would.
const MainWindowEvents& EventsOfMainWindow(MainWidget* window);

// --- the user's keys and mouse -------------------------------------------------------------------

// The modifier keys held down while a key is typed or the wheel is turned.
enum KeyModifiers : unsigned { kNoModifiers = 0, kShiftHeld = 1, kCtrlHeld = 2, kAltHeld = 4 };

// Types a key where a key of the user goes: to the program's focused window, else to its main
// window. Keys are named "A" ... "Z", "F1" ... "F12", "Space", "Escape", "Tab", "Return", "Right",
// "Down", "End" and "Delete".
void TypeKey(const std::string& key, unsigned modifiers = kNoModifiers);

enum class MouseButton { Left, Right };

// Presses and releases a mouse button at a point of the window's inside, on whatever is there.
void ClickWindowAt(MainWidget* window, int x, int y, MouseButton button);

// Drops a file on the window, as a file manager does.
void DropFileOnWindow(MainWidget* window, const std::string& path);

// Asks the window to close, as the window manager's close button does.
void AskWindowToClose(MainWidget* window);

// How many bars (button strips) the window shows along its top edge.
int ShownBarCount(MainWidget* window);

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
  std::string accessibleDescription;
};
BarButtonInfo BarButtonAt(BarView* bar, int index);

// --- the reading pane (platform/pane.h) ----------------------------------------------------------

// True while the pane exists (a pane goes with the window it sits in).
bool PaneExists(PaneView* pane);

// True once every display line of the pane's text is counted (a long text is counted on workers,
// and a query of its lines meanwhile answers from the layout as far as it has got).
bool PaneLinesCounted(PaneView* pane);

// Turns the mouse wheel over the pane by `delta` (120 a notch; negative towards the user), and
// gives the pane the keyboard focus as the desktop does (its window becomes the active one).
void TurnPaneWheel(PaneView* pane, int delta, unsigned modifiers = kNoModifiers);
void GivePaneFocus(PaneView* pane);

// Draws the pane now, as the desktop asks a window to.
void RepaintPaneNow(PaneView* pane);

// How many of the pane's pixels, as it is drawn now, are exactly that colour (0xRRGGBB).
int CountPanePixels(PaneView* pane, uint32_t rgb);

// The name the pane gives screen readers.
std::string PaneAccessibleName(PaneView* pane);

// The width in pixels of a text in a font of that face, pixel height and weight.
int TextWidthInFont(const std::string& face, int pixelHeight, bool bold, const std::string& text);

// --- the voice (platform/speech_engine.h) -------------------------------------------------------

// The rate and the engine voice in use ("en-us+m3").
int SpeechRate();
std::string SpeechVoiceName();

// The engine's words per minute and extra pause between words (10 ms units) for a rate -10 ... 10:
// 175 x 3^(rate/10), the normal speed at 0, three times at 10, a third at -10; below the engine's
// 80 words per minute the pause between words grows instead.
int EngineWordsPerMinute(int rate);
int EngineWordGap(int rate);

// --- files (platform/files.h) -------------------------------------------------------------------

// Makes ProgramFolder() answer `folder` (tests run the program's file work in a folder of their own);
// an empty folder restores the real one.
void SetProgramFolderForTesting(const std::string& folder);

// --- the search box (platform/search_dialog.h) ------------------------------------------------

enum class SearchDialogControl { SearchButton, EscButton };

// Types a text (replacing the box's text), presses Enter or Esc, clicks a button, right-clicks.
void TypeDialogText(SearchDialogView* dialog, const std::string& text);
void PressDialogEnter(SearchDialogView* dialog);
void PressDialogEscape(SearchDialogView* dialog);
void ClickDialogButton(SearchDialogView* dialog, SearchDialogControl button);
void RightClickDialog(SearchDialogView* dialog);

// What the user sees of the box: its screen rectangle and its controls' rectangles inside it.
struct SearchDialogLooks {
  Rect dialog, box, searchButton, escButton;
  bool textAllSelected;  // the whole text, and some text, is selected
  bool boxHasFocus;
  uint32_t backgroundRgb;  // 0xRRGGBB
  bool topmost, frameless;
};
SearchDialogLooks LooksOfSearchDialog(SearchDialogView* dialog);

}  // namespace vt
