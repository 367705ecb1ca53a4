// The book library: the six built-in books and the user's "trash.txt", and LoadBook, which
// cleans, reflows and cases the current book and puts it into the pane. It is the one writer of
// Book once the settings are loaded: other modules choose a book through it.
#pragma once
#include <string>

#include "core/program_state.h"

namespace vt {

constexpr int BuiltInBookCount = 6;
constexpr int UserBook = 6;  // the book read from "trash.txt"

// The title of a built-in book (0 ... 5), or "" for any other index.
std::string BookTitle(int book);

// The text of a built-in book as supplied (0 ... 5); empty for any other index.
std::string BuiltInBookText(int book);

// The cleaning steps of loading: decoding and filter, then ShapeBookText.
std::string CleanBookText(const std::string& raw, bool formatParagraph, int caseType);

// The steps after decoding: blank-line collapse, paragraph reflow, the paragraph bound, case.
std::string ShapeBookText(std::string text, bool formatParagraph, int caseType);

// The notices of a user's book that exists but cannot be shown; the first book is shown instead.
extern const char* const BookTooLargeNotice;
extern const char* const BookUnreadableNotice;

// Book becomes the next of the seven, the first after the last.
void SelectNextBook();

// Book becomes the user's book, read from `path` from now on (see UseUserBookFile).
void SelectUserBookFile(const std::string& path);

// Reads, cleans and shows the current book (Book), with the caret at the start.
void LoadBook();

// At start-up: StartLoadingBook starts reading and shaping the book of the last run while the
// window is made; LoadBookAtStartUp then shows it at its bookmark, the first screen at once and
// the whole book once that screen is on the display (a minimized window: all at once).
void StartLoadingBook();
void LoadBookAtStartUp();

// The plain text of the last LoadBook, in the letters it was shaped with (as written where the pane
// put it in its case). BookText serves as this text for a plain book: the book is not held twice.
const std::string& LoadedText();

// Puts the loaded book back into the pane in the letter case and spacing now chosen (after the
// shortcut list, or for another case).
void ShowLoadedBook();

// Letter case of the book text: 0 upper case, 1 lower case, anything else leaves it; every letter
// is mapped one for one, so no position moves.
void ApplyTextCase(std::string& text, int caseType);

}  // namespace vt
