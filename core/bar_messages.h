// Bar messages: short notices in very large letters in place of the bar, and button names.
#pragma once
#include <string>

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

// The text of the message shown last (tests and the end-to-end checks read it).
std::string LastBarMessage();

// True while a message stands in the bar's place.
bool BarMessageShown();

}  // namespace vt
