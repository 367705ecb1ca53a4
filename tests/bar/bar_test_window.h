// A main window for the bar's tests: settings at their defaults (no waits, no click), a settings
// folder of its own, the bar built as the window's initialisation builds it, and a procedure that
// records every message before handing it on to the real one.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "core/bar_messages.h"
#include "bar/icon_bar.h"
#include "reader/reading_pane.h"
#include "reader/display_options.h"
#include "core/settings_file.h"
#include "speech/reading_aloud.h"
#include "platform/testing.h"
#include "support/event_loop.h"
#include "support/temp_folder.h"

namespace vt::testing {

// An event of the main window as the tests see it: "command", "barRightClick" or "pressed", and its value.
struct Recorded {
  std::string event;
  int value;
};

inline std::vector<Recorded> recorded;
inline bool forwardMessages = true;  // false: record only, run no command

// The program's own handlers, with the bar's events recorded on the way.
inline MainWindowEvents RecordingEvents() {
  MainWindowEvents events = MainWindowHandlers();
  auto record = [](const char* name, std::function<void(int)> handler) {
    return [name, handler](int value) {
      recorded.push_back(Recorded{name, value});
      if (forwardMessages) handler(value);
    };
  };
  events.command = record("command", events.command);
  events.barRightClick = record("barRightClick", events.barRightClick);
  auto pressed = events.pressed;
  events.pressed = [pressed](int x, int y) {
    recorded.push_back(Recorded{"pressed", x});
    if (forwardMessages) pressed(x, y);
  };
  return events;
}

// A button as the tests compare it: "Label icon command".
inline std::string Describe(const BarButtonInfo& b) {
  return b.label + " " + BarIconName(b.image + 1) + " " + std::to_string(b.command);
}

inline std::vector<std::string> ShownButtons() {
  std::vector<std::string> out;
  for (int i = 0; i < BarButtonCount(BarWindow); ++i) out.push_back(Describe(BarButtonAt(BarWindow, i)));
  return out;
}

inline int ButtonIndex(const std::string& label) {
  for (int i = 0; i < BarButtonCount(BarWindow); ++i)
    if (BarButtonAt(BarWindow, i).label == label) return i;
  return -1;
}

// Presses and releases a mouse button at a point of the main window, on whatever child is there.
inline void ClickAt(int x, int y, MouseButton button) { ClickWindowAt(MainWindow, x, y, button); }

// Clicks the middle of the bar button with that label.
inline void ClickButton(const std::string& label, MouseButton button = MouseButton::Left) {
  int index = ButtonIndex(label);
  ASSERT_GE(index, 0) << "no button " << label;
  Rect r = BarButtonRect(BarWindow, index);
  Rect bar = BarWindowRect(BarWindow);
  ClickAt(bar.left + (r.left + r.right) / 2, bar.top + (r.top + r.bottom) / 2, button);
}

class BarWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsLocationForTesting(folder.path(), folder.path());
    ResetProgramState();
    UserBarDelay = 0;
    sBeepOn = 0;
    recorded.clear();
    forwardMessages = true;
    MainWindow = CreateMainWidget(Rect{0, 0, 1920, 1080}, MainWindowTitle(), RecordingEvents());
    ComputeFontScale();
    CreateBarImageList();
    CreateBarFont();
    SetButtonLongNames(CommandLongName);
    BuildIconBar();
    ShowWithState(MainWindow, ShowState::Normal);
    ProcessPendingEvents();
    recorded.clear();
  }

  void TearDown() override {
    forwardMessages = true;
    DestroyMainWidget(MainWindow);
    ProcessPendingEvents();
    ResetProgramState();
    SetSettingsLocationForTesting("", "");
  }

  vt_test::TempFolder folder;
};

}  // namespace vt::testing
