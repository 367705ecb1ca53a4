// The keyboard shortcuts: the keys of the command table, attached to the main window once at
// start, and the list of letters the user can show in the pane.
#include "app/shortcuts.h"

#include <algorithm>
#include <vector>

#include "app/commands.h"
#include "core/settings_file.h"

namespace vt {

void BuildAccelerators() {
  std::vector<Shortcut> table;
  for (const Command& command : CommandTable()) {
    // While shortcuts are off, only the switch itself and the version stay.
    bool active = DisableShortCuts == 0 || (command.flags & kKeyWhenShortcutsOff);
    if (command.key && active) table.push_back(Shortcut{command.key, command.id});
  }
  AttachShortcuts(MainWindow, table);
}

std::string ShortcutListText() {
  std::vector<std::string> lines;
  for (const Command& command : CommandTable())
    if (command.keyListName) lines.push_back(std::string(command.key) + " - " + command.keyListName);
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

}  // namespace vt
