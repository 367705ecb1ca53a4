// The keyboard shortcuts: plain letter keys that send command ids, built once at start.
#pragma once
#include <string>

namespace vt {

// Attaches the base table (E, V) or the full table to the main window, by DisableShortCuts.
void BuildAccelerators();

// The shortcut list shown in the pane: 13 lines joined by CR LF, none after the last.
std::string ShortcutListText();

}  // namespace vt
