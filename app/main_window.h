// The program's entry routine and its one top-level window.
#pragma once
#include <string>

namespace vt {

// The window title: "Vellumtide   " followed by the version.
std::string MainWindowTitle();

// Start-up up to the running window: settings loaded, window created, initialised and shown.
void StartMainWindow();

// The whole program: start-up, the event loop, and the restart after an update. Returns 0.
int EntryRoutine();

}  // namespace vt
