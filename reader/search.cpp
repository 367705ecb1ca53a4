// Search: finding a term in the pane's text from the selection on, the search box that asks for
// the term, and "Again". Chapter navigation is the same find with the heading mark ">>". The term
// is kept in SearchTerm (lower case, no surrounding blanks) and persisted with the settings.
// A search that does not answer within about a second gives the window back under the searching
// notice; it ends with its answer, or when Esc, another search command or a new text stops it.
#include "reader/search.h"

#include <algorithm>
#include <utility>

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

// A search of a book of hundreds of megabytes may take a while: after this long the window is
// given back with the searching notice, and the answer comes when the search ends. About a second:
// a normal book answers well within it, and no wait of a command is longer.
static constexpr int kSearchingNoticeAfterMs = 900;
const char* const SearchingNotice = "Searching ...";

static unsigned searchingNotice = 0;  // the notice of the search under way, while it shows
static unsigned searchNumber = 0;     // counts the searches begun

static void ShowFound(PaneFound found) {
  if (searchingNotice != 0) EndBarMessage(std::exchange(searchingNotice, 0u));
  if (found.stopped) return;
  if (found.start < 0) {
    CommandBeep();
    ShowBarMessage("No match found!", 1);
    return;
  }
  PaneSetSelection(PaneWindow, found.start, found.end);
  ScrollCharToTop(found.start);
}

bool StopSearching() {
  if (!PaneFinding(PaneWindow)) return false;
  PaneStopFinding(PaneWindow);
  return true;
}

void FindInPane(int direction, const std::string& term) {
  PaneSetFocus(PaneWindow);
  if (StopSearching()) return;  // a search command while one is under way stops it
  int selectionStart = 0, selectionEnd = 0;
  PaneGetSelection(PaneWindow, selectionStart, selectionEnd);
  std::string text = LowerCase(term);
  // Nothing lies before the start of the text: a backward search from there finds nothing.
  if (direction != 1 && selectionStart - 1 < 0) return ShowFound(PaneFound{});
  const bool down = direction == 1;
  // only the newest search's answer counts: a stopped one may still be on its way
  const auto answer = [number = ++searchNumber](PaneFound found) {
    if (number == searchNumber) ShowFound(found);
  };
  const bool answered = PaneFindTextLater(PaneWindow, text, down ? selectionEnd + 1 : selectionStart - 1, down ? -1 : 0,
                                          down, kSearchingNoticeAfterMs, answer);
  if (!answered) searchingNotice = ShowBarMessageUntilEnded(SearchingNotice);
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
