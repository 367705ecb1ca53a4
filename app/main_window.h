// The program's entry routine and its one top-level window, with the two services every command
// uses: the layout after a size or font change and the command click.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace vt {

extern WindowHandle MainWindow;
extern const char* const ProgramVersion;  // "1.8"
extern int32_t BarHeight;                 // height of the icon bar, re-measured on each layout
extern int32_t RestartAfterUpdate;        // set by a successful online update

// The window title: "Vellumtide   " followed by the version.
std::string MainWindowTitle();

// Start-up up to the running window: settings loaded, window created, initialised and shown.
void StartMainWindow();

// The whole program: start-up, the event loop, and the restart after an update. Returns 0.
int EntryRoutine();

// Places the pane right below the bar, 5 pixels in from the sides and the bottom.
void LayoutMainWindow();

// The command click: 250 Hz for 300 ms when sBeepOn is non-zero; returns when it has ended.
void CommandBeep();

}  // namespace vt
