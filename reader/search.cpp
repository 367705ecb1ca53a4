// Search: finding a term in the pane's text from the selection on, the search box that asks for
// the term, and "Again". Chapter navigation is the same find with the heading mark ">>". The term
// is kept in SearchTerm (lower case, no surrounding blanks) and persisted with the settings.
#include "reader/search.h"

#include <algorithm>

#include "core/bar_messages.h"
#include "core/ids.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "core/window_layout.h"
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/window.h"
#include "reader/display_options.h"
#include "reader/navigation.h"
#include "reader/reading_pane.h"

namespace vt {

static constexpr size_t kMaxTermUnits = 259;  // the term's buffer holds 259 UTF-16 units

static std::string StripBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string StoredSearchTerm(const std::string& typed) {
  return StripBlanks(LowerCase(CutToUtf16Units(typed, kMaxTermUnits)));
}

void FindInPane(int direction, const std::string& term) {
  PaneSetFocus(PaneWindow);
  int selectionStart = 0, selectionEnd = 0;
  PaneGetSelection(PaneWindow, selectionStart, selectionEnd);
  std::string text = LowerCase(term);
  int foundStart = -1, foundEnd = -1;
  int found = -1;
  if (direction == 1) {
    found = PaneFindText(PaneWindow, text, selectionEnd + 1, -1, true, foundStart, foundEnd);
  } else if (selectionStart - 1 >= 0) {
    // Nothing lies before the start of the text: a backward search from there finds nothing.
    found = PaneFindText(PaneWindow, text, selectionStart - 1, 0, false, foundStart, foundEnd);
  }
  if (found < 0) {
    CommandBeep();
    ShowBarMessage("No match found!", 1);
    return;
  }
  PaneSetSelection(PaneWindow, foundStart, foundEnd);
  ScrollCharToTop(foundStart);
}

void SearchCommand() {
  std::string kept = SearchTerm;
  bool windowShown = IsWindow(MainWindow);
  ShowSearchDialog();
  if (windowShown && !IsWindow(MainWindow)) return;  // the reader ended while the box was open
  if (!SearchTerm.empty())
    FindInPane(1, SearchTerm);
  else
    SearchTerm = kept;
  PaneSetFocus(PaneWindow);
}

void SearchAgain() {
  FindInPane(1, SearchTerm);
  PaneSetFocus(PaneWindow);
}

// The search box's handlers. `dialog` is the box they belong to, once it has been made.
static SearchDialogEvents SearchBoxHandlers(SearchDialogView* const& dialog) {
  SearchDialogEvents events;
  events.opened = [&dialog] {
    SetDialogTopmost(dialog);
    SelectAllDialogText(dialog);
    FocusDialogTextBox(dialog);
  };
  events.rightClicked = [&dialog] { EndSearchDialog(dialog); };
  events.cancelPressed = [&dialog] {
    CommandBeep();
    EndSearchDialog(dialog);
  };
  events.searchPressed = [&dialog] {
    CommandBeep();
    SearchTerm = StoredSearchTerm(DialogText(dialog));
    EndSearchDialog(dialog);
  };
  events.closed = [] { SearchDialogWindow = nullptr; };
  return events;
}

void ShowSearchDialog() {
  SearchDialogLook look;
  look.caption = ProgramVersion;
  look.fontFace = "Arial Black";
  look.bold = true;
  look.fontPixelHeight = RoundHalfEven(static_cast<double>(ScaledFontSize(96)) * ScreenDpiY() / 72.0);
  look.text = SearchTerm;
  look.iconName = "xsearch";
  look.within = WindowScreenRect(MainWindow);
  SearchDialogView* dialog = nullptr;  // outlives the box: RunSearchDialog deletes it before returning
  dialog = SearchDialogWindow = CreateSearchDialog(look, SearchBoxHandlers(dialog));
  RunSearchDialog(dialog);
}

}  // namespace vt
