// Navigation: moving through the book, the reading positions, wheel scrolling, the wide caret
// and the page indicator.
#pragma once
#include <cstdint>

#include "platform/window.h"
#include "reader/reading_pane.h"

namespace vt {

extern int32_t CaretShownOnPaint;

void ScrollCharToTop(int32_t charIndex);
int32_t TopVisibleCharIndex();
void SaveBookmark();
int32_t SelectWordAtCaret(PaneHandle pane);
void ResetCaret(PaneHandle pane);
void ShowPageIndicator(WindowHandle window);

// The pane's event handling: the wheel, zoom with Ctrl, and the wide caret's upkeep (see PaneHook).
bool PaneWindowProc(PaneHandle pane, unsigned message, intptr_t wParam, bool after);

// The next-book command: the position of the book being left is stored, the next one restored.
void NextBook();

}  // namespace vt
