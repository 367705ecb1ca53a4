// The search box over Qt: a grey frameless dialog of 1600 x 250 pixels, centred in the work area,
// with the text box, the search image button and the "ESC" button. Its events reach the program's
// dialog procedure as the messages below; the procedure decides what they do.
#pragma once
#include <cstdint>
#include <string>

#include "platform/legacy_messages.h"

namespace vt {

class SearchDialogView;
using DialogHandle = SearchDialogView*;

// Control ids of the dialog's children.
constexpr int IdSearchEsc = 504;     // the "ESC" push button
constexpr int IdSearchButton = 505;  // the image button that searches
constexpr int IdSearchBox = 506;     // the text box

// Messages the dialog procedure receives (WM_INITDIALOG, WM_COMMAND and WM_DESTROY are those of
// platform/window.h). WM_COMMAND's wParam is the control id: 504, 505, or 1 for Enter and 2 for Esc
// or a close request.
constexpr unsigned WM_CONTEXTMENU = 0x007B;

using DialogProc = intptr_t (*)(DialogHandle, unsigned message, intptr_t wParam, intptr_t lParam);

// The dialog's looks: the window caption, the font of the dialog and its controls, the box's text
// and the resource name of the image button's icon (a missing icon leaves a text label).
struct SearchDialogLook {
  std::string caption;
  std::string fontFace;
  int fontPixelHeight;
  bool bold;
  std::string text;
  std::string iconName;
};

// Creates the hidden dialog with its three controls; every event goes to `proc`.
DialogHandle CreateSearchDialog(const SearchDialogLook& look, DialogProc proc);

// Sends WM_INITDIALOG, shows the dialog and blocks input to other windows until EndSearchDialog;
// then sends WM_DESTROY and deletes the dialog.
void RunSearchDialog(DialogHandle dialog);

// Closes the dialog: RunSearchDialog returns once the current event has been handled.
void EndSearchDialog(DialogHandle dialog);

// Keeps the dialog above every other window.
void SetDialogTopmost(DialogHandle dialog);

// The text box: select all its text, give it the focus, read its text (UTF-8).
void SelectAllDialogText(DialogHandle dialog);
void FocusDialogTextBox(DialogHandle dialog);
std::string DialogText(DialogHandle dialog);

// What a user does, for tests and end-to-end checks: type a text (replacing the box's text), press
// Enter or Esc, click a button by its id, right-click the dialog.
void TypeDialogText(DialogHandle dialog, const std::string& text);
void PressDialogEnter(DialogHandle dialog);
void PressDialogEscape(DialogHandle dialog);
void ClickDialogButton(DialogHandle dialog, int id);
void RightClickDialog(DialogHandle dialog);

// What a user sees, for tests: the dialog's screen rectangle and a control's rectangle inside it,
// whether the whole text is selected, whether the box has the keyboard focus, the grey of the
// background as 0xRRGGBB, whether the dialog stays on top and whether it is frameless.
Rect DialogRect(DialogHandle dialog);
Rect DialogControlRect(DialogHandle dialog, int id);
bool DialogTextAllSelected(DialogHandle dialog);
bool DialogTextBoxHasFocus(DialogHandle dialog);
uint32_t DialogBackgroundRgb(DialogHandle dialog);
bool DialogIsTopmost(DialogHandle dialog);
bool DialogIsFrameless(DialogHandle dialog);

}  // namespace vt
