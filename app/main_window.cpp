// The entry routine and the main window: settings first, then the hidden window with its stored
// geometry, its initialisation and layout, the event loop, and the restart after an update.
// Owns MainWindow.
#include "app/main_window.h"

#include "app/commands.h"
#include "core/ids.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/files.h"

namespace vt {

std::string MainWindowTitle() { return std::string("Vellumtide   ") + ProgramVersion; }

void StartMainWindow() {
  PersistSettings("get");
  MainWindow = CreateMainWidget(Rect{0, 0, 1920, 1080}, MainWindowTitle(), MainWindowHandlers());
  ApplyWindowGeometry();
  SetWindowColours(MainWindow, 0xFFFFFF, 0xFFFFFF);
  SetWindowIconResource(MainWindow, "logo");
  InitialiseAndShow(MainWindow);
}

int EntryRoutine() {
  StartMainWindow();
  RunMessageLoop(MainWindow);
  MainWindow = nullptr;
  if (RestartAfterUpdate) StartProgram(ProgramFolder() + "vellumtide");
  return 0;
}

}  // namespace vt
