// What the tests need of the back end beyond what the program uses: ways to do what a user or the
// desktop does, and to see what the widgets hold. The program itself calls none of these.
#pragma once
#include <vector>

#include "platform/window.h"

namespace vt {

// ---- the main window

// Shows the window normally, minimized or maximized at once.
void ShowWithState(MainWidget* window, ShowState state);

// The shortcut table attached last.
std::vector<Shortcut> AttachedShortcuts(MainWidget* window);

// True once the window has painted its first frame.
bool WindowHasPainted(MainWidget* window);

// The events the window raises, to raise one as the desktop would.
const MainWindowEvents& EventsOfMainWindow(MainWidget* window);

}  // namespace vt
