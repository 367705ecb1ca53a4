// What both back ends keep of the main window alike, and the calls of platform/window.h that only
// read or write it: the program's handlers, the shortcut table, the show state asked for before
// the window is shown, and whether its first frame is on the screen. Each back end's window
// derives from it; everything here belongs to the user-interface thread.
#pragma once
#include <vector>

#include "platform/window.h"

namespace vt {

struct MainWindowRecord {
  MainWindowEvents events;
  ShowState pendingShow = ShowState::Normal;
  std::vector<Shortcut> shortcuts;
  bool painted = false;  // the first frame is on the screen

  // Runs a handler if the program gave one.
  template <typename Handler, typename... Args>
  static void Raise(const Handler& handler, Args... args) {
    if (handler) handler(args...);
  }
};

// The record of a main window that is still there, or null; each back end answers.
MainWindowRecord* RecordOfWindow(MainWidget* window);

}  // namespace vt
