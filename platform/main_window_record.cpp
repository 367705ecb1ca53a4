// The calls of platform/window.h that only read or write the main window's record (see
// main_window_record.h), once for both back ends.
#include "platform/main_window_record.h"

namespace vt {

void AttachShortcuts(MainWidget* window, const std::vector<Shortcut>& table) {
  if (MainWindowRecord* record = RecordOfWindow(window)) record->shortcuts = table;
}

std::vector<Shortcut> AttachedShortcuts(MainWidget* window) {
  const MainWindowRecord* record = RecordOfWindow(window);
  return record ? record->shortcuts : std::vector<Shortcut>();
}

bool WindowHasPainted(MainWidget* window) {
  const MainWindowRecord* record = RecordOfWindow(window);
  return record && record->painted;
}

const MainWindowEvents& EventsOfMainWindow(MainWidget* window) {
  static const MainWindowEvents none;
  const MainWindowRecord* record = RecordOfWindow(window);
  return record ? record->events : none;
}

}  // namespace vt
