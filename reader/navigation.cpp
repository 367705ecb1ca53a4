// Navigation (filled in by the navigation work).
#include "reader/navigation.h"

#include "reader/book_library.h"
#include "settings/settings_file.h"

namespace vt {

int32_t CaretShownOnPaint = 0;

void ScrollCharToTop(int32_t) {}
int32_t TopVisibleCharIndex() { return 0; }

void SaveBookmark() {
  if (int32_t* mark = BookMarkOf(Book)) *mark = TopVisibleCharIndex();
}

int32_t SelectWordAtCaret(PaneHandle) { return 0; }
void ResetCaret(PaneHandle) {}
void ShowPageIndicator(WindowHandle) {}

bool PaneWindowProc(PaneHandle, unsigned, intptr_t, bool) { return false; }

void NextBook() {
  SaveBookmark();
  Book = Book + 1 > 6 ? 0 : Book + 1;
  LoadBook();
  int32_t* mark = BookMarkOf(Book);
  ScrollCharToTop(mark ? *mark : 0);
}

}  // namespace vt
