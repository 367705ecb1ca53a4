// Navigation: where the reader is and how they move. The reading positions (one BookMark variable
// per book) are character indexes of the first fully visible line, saved when a book is left and
// restored when it is shown again; this file is their one writer after the settings are loaded. The pane's event handlers live here too: the wheel scrolls by
// whole display lines, Ctrl + wheel zooms, gaining the focus removes the selection, and the wide
// caret is put back whenever the text widget may have replaced it.
#include "reader/navigation.h"

#include <algorithm>

#include "core/bar_messages.h"
#include "core/ids.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/pane.h"
#include "reader/book_formats.h"
#include "reader/book_library.h"
#include "reader/display_options.h"
#include "reader/own_books.h"
#include "reader/reading_place.h"
#include "reader/shelf.h"
#include "platform/files.h"

namespace vt {

static constexpr int kCaretWidth = 20;
static ReadingPlace placeUnderList;  // the book's place while the shortcut list covers it
[[maybe_unused]] static const bool resetWithProgram = ResetAlongWithProgramState([] { placeUnderList = ReadingPlace{}; });

void ScrollCharToTop(int32_t charIndex) {
  // A negative index would ask for the line of the selection; it means the start here.
  // The line of the character becomes the first visible line; the pane does it without waiting
  // for a long book's line count, so the first screen of a book shows at once.
  int32_t index = std::clamp(charIndex, 0, std::max(0, PaneTextLength(PaneWindow)));
  PaneScrollCharToTop(PaneWindow, index);
}

int32_t TopVisibleCharIndex() {
  // Found from the rows on screen, not from the line count, which a long book may still be
  // counting: the program never waits for it here, not even when it ends.
  return std::max(0, PaneCharAtScreenRow(PaneWindow, 0));
}

void SaveBookmark() {
  if (ShortcutListShown || ShelfShown) return;
  if (int32_t* mark = ReadingPositionOf(Book)) *mark = TopVisibleCharIndex();
}

void OpenUnreadBookAt(int32_t position) {
  int32_t* mark = ReadingPositionOf(Book);
  if (mark && *mark == 0) *mark = position;
}

void RestoreBookmark() {
  int32_t* mark = ReadingPositionOf(Book);
  int32_t position = std::clamp(mark ? *mark : 0, 0, std::max(0, PaneTextLength(PaneWindow)));
  // The caret first: placing it may scroll it into view, and the scroll below then wins.
  PaneSetSelection(PaneWindow, position, position);
  ScrollCharToTop(position);
  // At start-up the pane gets its real width only when the window is first shown, and the text
  // is laid out again then: once that is done, the position goes to the top once more, unless the
  // reader has moved the caret meanwhile. A window already shown lays nothing out again, and the
  // second scroll would only undo a scroll the reader made before it ran (the wheel, or any
  // scroll whose message was queued ahead of it, moves no caret).
  if (IsWindowVisible(MainWindow)) return;
  PaneView* pane = PaneWindow;
  RunLater(0, [pane, position] {
    int start = -1, end = -1;
    if (pane != PaneWindow || !IsWindow(MainWindow)) return;
    PaneGetSelection(pane, start, end);
    if (start == position && end == position) ScrollCharToTop(position);
  });
}

int32_t SelectWordAtCaret(PaneView* pane) {
  int start = 0, end = 0;
  PaneGetSelection(pane, start, end);
  int s = std::min(start, end);
  int length = PaneTextLength(pane);
  if (PaneIsDelimiter(pane, s))
    s = PaneWordBreakRight(pane, s);
  else
    s = PaneMoveWordLeft(pane, std::min(s + 1, length));
  int e = PaneMoveWordRight(pane, s);
  PaneSetSelection(pane, s, e);
  return s;
}

void ResetCaret(PaneView* pane) {
  PaneDestroyCaret(pane);
  PaneShowCaret(pane, kCaretWidth, RoundHalfEven(static_cast<double>(ScaledFontSize(FontSize)) * 1.5));
}

std::string GroupedNumber(int64_t value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return value < 0 ? "-" + text : text;
}

std::string PageIndicatorText(int32_t linesPerPage, int32_t caretLine, int32_t lineCount) {
  // A page is what the screen shows at once; a last page in part is a page, and a pane shorter
  // than one row still turns one row a page.
  int64_t perPage = std::max(linesPerPage, 1);
  int64_t pages = std::max<int64_t>(1, (std::max(lineCount, 1) + perPage - 1) / perPage);
  int64_t page = std::clamp<int64_t>((static_cast<int64_t>(caretLine) - 1) / perPage + 1, 1, pages);
  return " Page: " + GroupedNumber(page) + " of " + GroupedNumber(pages);
}

void ShowPageIndicator() {
  PaneScrollCaret(PaneWindow);
  int current = 1 + PaneLineFromChar(PaneWindow, -1);
  int count = PaneLineCount(PaneWindow);
  ShowBarMessage(PageIndicatorText(PaneScreenRows(PaneWindow), current, count), 1);
  PaneSetFocus(PaneWindow);
  ResetCaret(PaneWindow);
}

// The wheel scrolls whole display lines, one or three per notch whatever the notch's size; with
// Ctrl it changes the size of the type instead.
static void WheelTurned(PaneView* pane, int delta, bool ctrl) {
  if (ctrl) {
    if (delta < 0) ZoomOut();
    if (delta > 0) ZoomIn();
    return;
  }
  int lines = SingleLineScroll == 1 ? 1 : 3;
  PaneLineScroll(pane, delta > 0 ? -lines : lines);
}

// Keys after which the text widget may have drawn its own caret.
static bool KeyMovesCaret(PaneKey key) {
  switch (key) {
    case PaneKey::Left: case PaneKey::Right: case PaneKey::Home: case PaneKey::End: case PaneKey::Up:
    case PaneKey::Down: case PaneKey::Delete: case PaneKey::Backspace:
      return true;
    default: return false;
  }
}

// Typed characters after which the caret stays as it is. The codes are those of the keys
// Backspace, Tab, End, Home, the arrows and Delete, which are also '#', '$', '%', '&', '\'', '('
// and '.' as characters: those characters leave the caret alone.
static bool CharKeepsCaret(char32_t code) {
  switch (code) {
    case 8: case 9: case 35: case 36: case 37: case 38: case 39: case 40: case 46: return true;
    default: return false;
  }
}

// The first paint with the focus in this run puts the wide caret.
static void Painted(PaneView* pane) {
  if (PaneHasFocus(pane) && CaretShownOnPaint == 0) {
    CaretShownOnPaint = 1;
    ResetCaret(pane);
  }
}

PaneEvents ReadingPaneEvents(PaneView* pane) {
  PaneEvents events;
  events.wheel = [pane](int delta, bool ctrl) { WheelTurned(pane, delta, ctrl); };
  events.focusGained = [pane] {
    PaneRemoveSelection(pane);
    ResetCaret(pane);
  };
  events.focusLost = [pane] { PaneDestroyCaret(pane); };
  events.painted = [pane] { Painted(pane); };
  events.clicked = [pane] {
    ResetCaret(pane);
    if (ShelfShown) ShelfClicked();
  };
  events.keyPressed = [pane](PaneKey key) {
    if (KeyMovesCaret(key)) ResetCaret(pane);
    if (ShelfShown) ShelfKeyPressed(key);
  };
  events.typed = [pane](char32_t code) {
    if (!CharKeepsCaret(code)) ResetCaret(pane);
  };
  return events;
}

void ToggleShortcutList(const std::string& listText) {
  // The list is no place in the book: the reading position is kept before the list replaces it,
  // and the book comes back at the place it had.
  if (!ShortcutListShown) {
    SaveBookmark();
    placeUnderList = CurrentPlace();
  }
  ShortcutListShown ^= 1;
  if (ShortcutListShown) {
    PaneKeepTextAside(PaneWindow);  // the book comes back after the list without being built anew
    SetPaneWindowText(PaneWindow, listText);
  } else {
    ShowLoadedBook();
    ShowPlace(placeUnderList, true);
  }
}

void ReformatBook() {
  if (ShortcutListShown) ToggleShortcutList(std::string());
  LeaveShelf();
  KeepPlaceAcrossReloading(LoadBook);
}

// Just the file's name, for a notice: a full path would not fit the bar.
static std::string FileNameOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string BookFileRefusal(const std::string& path) {
  const BookFormat format = BookFileFormat(path);
  if (IsBookFormat(format)) return std::string();
  const char* notice = RefusalNotice(format);
  return notice ? std::string(notice) : "Cannot read " + FileNameOf(path);
}

void OpenBookFile(const std::string& path) {
  // A file that is no book is refused from its size and first bytes, and the current book stays.
  const std::string refusal = BookFileRefusal(path);
  if (!refusal.empty()) {
    ShowBarMessage(refusal, 1);
    return;
  }
  SaveBookmark();
  SelectUserBookFile(path);
  LoadBook();
  ShortcutListShown = 0;
  RestoreBookmark();
}

void NextBook() {
  SaveBookmark();
  SelectNextBook();
  LoadBook();
  // The pane shows a book again, whatever it showed before.
  ShortcutListShown = 0;
  RestoreBookmark();
}

}  // namespace vt
