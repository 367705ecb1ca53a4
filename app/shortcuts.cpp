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
  // The letters in alphabetical order, then the named keys (Space).
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    bool letterA = a.size() > 1 && a[1] == ' ', letterB = b.size() > 1 && b[1] == ' ';
    return letterA != letterB ? letterA : a < b;
  });
  // With the letters off, the list first says so, and how to switch them on: otherwise it offers
  // keys that do nothing.
  if (DisableShortCuts != 0)
    lines.insert(lines.begin(), {"Letter shortcuts are OFF", "E - switch them on at the next start"});
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

}  // namespace vt
