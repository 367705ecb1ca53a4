// The entry routine and the main window: settings first, then the hidden window with its stored
// geometry, its initialisation and layout, the event loop, and the restart after an update.
#include "app/main_window.h"

#include <algorithm>

#include "app/commands.h"
#include "bar/icon_bar.h"
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/sound.h"
#include "reader/reading_pane.h"
#include "core/settings_file.h"

namespace vt {


std::string MainWindowTitle() { return std::string("Vellumtide   ") + ProgramVersion; }

void StartMainWindow() {
  PersistSettings("get");
  MainWindow = CreateMainWidget(0, 0, 1920, 1080, MainWindowTitle(), MainWindowProc);
  ApplyWindowGeometry();
  SetWindowColours(MainWindow, 0xFFFFFF, 0xFFFFFF);
  SetWindowIconResource(MainWindow, "logo");
  InitialiseAndShow(MainWindow);
  PostOnTermination(MainWindow, EndRequestMessage);
}

int EntryRoutine() {
  StartMainWindow();
  RunMessageLoop(MainWindow);
  if (RestartAfterUpdate) StartProgram(ProgramFolder() + "vellumtide");
  return 0;
}

}  // namespace vt
