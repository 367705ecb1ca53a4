// The search box: a black frameless dialog of 1600 x 250 pixels (smaller, as a whole, in a window
// too small for it), centred on the reader's window, with the text box, the search image button
// and the "ESC" button. It tells the program what the user did;
// the program reads the text and ends the box itself.
#pragma once
#include <functional>
#include <string>

#include "platform/window.h"

namespace vt {

class SearchDialogView;

// What the search box tells the program.
struct SearchDialogEvents {
  std::function<void()> opened;         // the box is about to be shown
  std::function<void()> searchPressed;  // the search button or Enter
  std::function<void()> cancelPressed;  // the "ESC" button, Esc or a close request
  std::function<void()> rightClicked;
  std::function<void()> closed;         // the box has been hidden and is about to go
};

// The dialog's looks: the window caption, the font of the dialog and its controls, the box's text
// and the resource name of the image button's icon (a missing icon leaves a text label).
struct SearchDialogLook {
  std::string caption;
  std::string fontFace;
  int fontPixelHeight;
  bool bold;
  std::string text;
  std::string iconName;
  Rect within;  // the reader's window on the screen: the box fits inside it
};

// The box's place on the screen and its controls' places inside it, its type and icon size.
struct SearchBoxLayout {
  Rect dialog, box, searchButton, escButton;
  int iconSize;
  int fontPixelHeight;
};

// The box's design scaled down as a whole until it fits inside `window` with a margin, centred on it.
SearchBoxLayout LayOutSearchBox(const Rect& window, int fontPixelHeight);

// The area the box fits inside: the reader's window, or the work area when there is none.
Rect SearchBoxArea(const Rect& within);

// Creates the hidden dialog with its three controls.
SearchDialogView* CreateSearchDialog(const SearchDialogLook& look, SearchDialogEvents events);

// Raises `opened`, shows the dialog and blocks input to other windows until EndSearchDialog; then
// raises `closed` and deletes the dialog.
void RunSearchDialog(SearchDialogView* dialog);

// Closes the dialog: RunSearchDialog returns once the current event has been handled.
void EndSearchDialog(SearchDialogView* dialog);

// Keeps the dialog above every other window.
void SetDialogTopmost(SearchDialogView* dialog);

// The text box: select all its text, give it the focus, read its text (UTF-8).
void SelectAllDialogText(SearchDialogView* dialog);
void FocusDialogTextBox(SearchDialogView* dialog);
std::string DialogText(SearchDialogView* dialog);

}  // namespace vt
