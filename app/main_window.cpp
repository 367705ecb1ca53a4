// The entry routine and the main window: settings first, then the hidden window with its stored
// geometry, its initialisation and layout, the event loop, and the restart after an update. One
// reader runs per settings file.
// Owns MainWindow.
#include "app/main_window.h"

#include <algorithm>

#include "app/commands.h"
#include "app/online_update.h"
#include "core/bar_messages.h"
#include "core/ids.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/files.h"

namespace vt {

std::string MainWindowTitle() { return std::string("Vellumtide   ") + ProgramVersion; }

// When the settings file beside the program is protected, the reader is told once where the
// settings go instead: in two notices, each short enough for the bar's large letters.
static void TellWhereTheSettingsGo() {
  std::string folder = ProtectedSettingsFallbackFolder();
  if (folder.empty()) return;
  RunLater(0, [] { ShowBarMessageForAWhile("Settings saved in:"); });
  RunLater(std::clamp(UserBarDelay, 0, 60000), [folder] { ShowBarMessageForAWhile(folder); });
}

void StartMainWindow() {
  PersistSettings("get");
  MainWindow = CreateMainWidget(Rect{0, 0, 1920, 1080}, MainWindowTitle(), MainWindowHandlers());
  ApplyWindowGeometry();
  SetWindowColours(MainWindow, 0xFFFFFF, 0xFFFFFF);
  SetWindowIconResource(MainWindow, "logo");
  InitialiseAndShow(MainWindow);
  TellWhereTheSettingsGo();
}

int EntryRoutine() {
  // A second reader of the same settings file would overwrite this one's changes when it ends:
  // the reader that runs comes to the front instead, and the file is not touched.
  if (!ClaimSettingsFile(SettingsPath(), [] { BringWindowToFront(MainWindow); })) return 0;
  RemoveReplacedProgram();
  StartMainWindow();
  RunMessageLoop(MainWindow);
  MainWindow = nullptr;
  if (RestartAfterUpdate) StartProgram(ProgramFolder() + ProgramFileName);
  return 0;
}

}  // namespace vt
