// The program's entry routine and its one top-level window, with the two services every command
// uses: the layout after a size or font change and the command click.
#pragma once
#include <cstdint>
#include <string>

#include "core/program_state.h"
#include "core/window_layout.h"
#include "platform/window.h"

namespace vt {


// The window title: "Vellumtide   " followed by the version.
std::string MainWindowTitle();

// Start-up up to the running window: settings loaded, window created, initialised and shown.
void StartMainWindow();

// The whole program: start-up, the event loop, and the restart after an update. Returns 0.
int EntryRoutine();

}  // namespace vt
