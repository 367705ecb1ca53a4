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
#include "settings/settings_file.h"

namespace vt {

WindowHandle MainWindow = nullptr;
const char* const ProgramVersion = "1.8";
int32_t BarHeight = 0;
int32_t RestartAfterUpdate = 0;

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

void LayoutMainWindow() {
  if (!IsWindow(MainWindow)) return;
  BarHeight = BarWindowHeight();
  int width = 0, height = 0;
  ClientSize(MainWindow, width, height);
  // A window smaller than the margins gets an empty pane rather than a negative size.
  PaneSetGeometry(PaneWindow, 5, BarHeight, std::max(0, width - 10), std::max(0, height - BarHeight - 5));
}

void CommandBeep() {
  if (sBeepOn) PlayTone(250, 300);
}

}  // namespace vt
