// Drives the real main window in-process: a settings file in a temporary folder, the window
// started as the program starts it, keys and messages sent to it, and the file it writes at the end.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "platform/testing.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "platform/window.h"
#include "core/settings_file.h"
#include "support/event_loop.h"
#include "support/temp_folder.h"

namespace vt_test {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vt::SetSettingsLocationForTesting(folder.path(), folder / "config/");
    vt::ResetProgramState();
  }
  void TearDown() override {
    if (vt::IsWindow(vt::MainWindow)) vt::EndMainWindow();
    vt::ProcessPendingEvents();
    vt::ResetProgramState();
    vt::SetSettingsLocationForTesting("", "");
  }
  // Starts the window with `extra` lines of section [All] and the quiet test settings (a key's
  // first line is the one read, so `extra` may override them).
  void Start(const std::string& extra = "") {
    WriteFile(vt::SettingsPath(), "[All]\r\n" + extra + "UserBarDelay=0\r\nsBeepOn=0\r\n");
    vt::StartMainWindow();
    vt::ProcessPendingEvents();
  }
  // Types a key where the user's keys go ("Escape", "M", "Tab"...), with modifiers held.
  static void Press(const std::string& key, unsigned modifiers = vt::kNoModifiers) { vt::TypeKey(key, modifiers); }
  std::string SavedSettings() const { return ReadFile(vt::SettingsPath()); }
  TempFolder folder;
};

}  // namespace vt_test
