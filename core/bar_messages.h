// Bar messages: short notices in very large letters in place of the bar, and button names.
#pragma once
#include <string>

#include "platform/bar.h"

namespace vt {

// Shows text in place of the bar; with autoClose the call returns after UserBarDelay ms and the bar is back.
void ShowBarMessage(const std::string& text, int autoClose);

// Shows a last text for 1000 ms, then brings the bar back.
void CloseBarMessage(const std::string& text);

// Shows a button's long name for UserBarDelay ms without blocking the window.
void ShowButtonName(const std::string& longName);

// Shows a notice for UserBarDelay ms without blocking the window, so that it also shows while the
// window is being painted for the first time.
void ShowBarMessageForAWhile(const std::string& text);

// Shows text in place of the bar until EndBarMessage ends it (or a newer message replaces it).
unsigned ShowBarMessageUntilEnded(const std::string& text);
void EndBarMessage(unsigned message);

// The notice's type for a text in a label `width` pixels wide: as large as BarFontSize asks, or
// smaller until the text fits on one line, never smaller than the bar's labels; `wrap` is set when
// even that does not fit.
FontRequest NoticeFont(const std::string& text, int width, bool& wrap);

// The text of the message shown last (tests and the end-to-end checks read it).
std::string LastBarMessage();

// True while a message stands in the bar's place.
bool BarMessageShown();

}  // namespace vt
