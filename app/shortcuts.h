// The keyboard shortcuts: plain letter keys that send command ids, built once at start.
#pragma once
#include <string>

namespace vt {

// Attaches the base table (E, V) or the full table to the main window, by DisableShortCuts.
void BuildAccelerators();

// The shortcut list shown in the pane, lines joined by CR LF, none after the last: while the
// letter shortcuts are off, first a notice that they are off and that E switches them on; then
// the 13 letters and Space.
std::string ShortcutListText();

}  // namespace vt
