// The main window procedure: the one place where every user action becomes an operation.
// Bar buttons, shortcut keys, Esc, F1, the wheel, right-clicks on the bar and the speech engine's
// notifications all arrive here as messages; one table maps command ids to operations.
#pragma once
#include <cstdint>
#include <string>

#include "core/program_state.h"
#include "core/ids.h"
#include "platform/window.h"

namespace vt {

// Private messages of the main window.
constexpr unsigned EndRequestMessage = WM_USER + 600;   // 1624: end the main window

// The address that F1 opens.
extern const char* const HelpPageAddress;

// The main window's message procedure; returns 0 for every message.
intptr_t MainWindowProc(WindowHandle window, unsigned message, intptr_t wParam, intptr_t lParam);

// Runs one command as a bar click or a shortcut would (WM_COMMAND with the id).
void RunCommand(int commandId);

// Swaps the pane between the book and the shortcut list.
void ToggleShortcutList();

// Ends the main window: the bookmark and the settings are saved on the way.
void EndMainWindow();

}  // namespace vt
