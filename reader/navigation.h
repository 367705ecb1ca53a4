// Navigation: moving through the book, the reading positions, wheel scrolling, the wide caret
// and the page indicator.
#pragma once
#include <cstdint>
#include <string>

#include "core/program_state.h"
#include "platform/pane.h"
#include "platform/window.h"
#include "reader/reading_pane.h"

namespace vt {

// Scrolls the pane so that the display line holding the character is the top line, as far as it
// can scroll; a negative index counts as 0. The caret and the selection stay.
void ScrollCharToTop(int32_t charIndex);

// The first character of the first fully visible line of the pane; never waits for the line count.
int32_t TopVisibleCharIndex();

// Stores the top visible character in the current book's BookMark variable (not while the pane
// shows the shortcut list or the shelf, whose positions are not the book's).
void SaveBookmark();

// Scrolls the current book's stored position to the top and puts the caret there.
void RestoreBookmark();

// The current book opens at `position` while its reader is still at its top (has read nothing yet).
void OpenUnreadBookAt(int32_t position);

// Selects the word at the start of the selection and returns its first character.
int32_t SelectWordAtCaret(PaneView* pane);

// Replaces the pane's caret by the wide one: 20 px wide, 1.5 x the scaled font size high.
void ResetCaret(PaneView* pane);

// Shows " Page: n of m" for the caret's line, after scrolling the caret into view.
void ShowPageIndicator();

// The page message for a pane that shows `linesPerPage` whole rows, the caret on display line
// `caretLine` (1-based) of `lineCount` lines: the pages round up, and there is at least one.
std::string PageIndicatorText(int32_t linesPerPage, int32_t caretLine, int32_t lineCount);

// A number with its digits grouped in threes by commas ("###,##0"): 1234 -> "1,234".
std::string GroupedNumber(int64_t value);

// The reading pane's event handlers: the wheel scrolls lines or zooms with Ctrl, gaining the focus
// removes the selection, and the wide caret is re-created after whatever may have replaced it.
PaneEvents ReadingPaneEvents(PaneView* pane);

// Swaps the pane between the book and the shortcut list (`listText`); the book comes back at its place.
void ToggleShortcutList(const std::string& listText);

// The paragraph-formatting reload: the book again (not the shortcut list), at the reader's place.
void ReformatBook();

// The next-book command: the position of the book being left is stored, the next one restored.
void NextBook();

// Opens a file as the user's book (the seventh), at the position remembered for it; the book
// being left keeps its position. A file that cannot be read leaves the current book and says so.
void OpenBookFile(const std::string& path);

// Why the file at `path` cannot be opened as a book (the notice that says so), or "" when it can;
// told from its size and first bytes.
std::string BookFileRefusal(const std::string& path);

}  // namespace vt
