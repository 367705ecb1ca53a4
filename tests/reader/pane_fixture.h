// The fixture of the tests that drive the reading pane: one pane for the whole test program (the
// program has one too), put back to the default settings, an empty text and 64-point type before
// each test.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "core/bar_messages.h"
#include "platform/pane.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "reader/book_library.h"
#include "reader/reading_pane.h"
#include "reader/display_options.h"
#include "core/settings_file.h"

namespace vt::testing {

class PaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    UserBarDelay = 0;
    sBeepOn = 0;
    CreateReadingPaneOnce();
    PaneSetEvents(PaneWindow, {});
    PaneSetGeometry(PaneWindow, 0, 0, 800, 600);
    PaneSetPlainText(PaneWindow, "");
    PaneClearUnderline(PaneWindow);
    ChangeFontSize(0);
    ApplyColors();
    ProcessPendingEvents();
  }

  static std::string Shown() { return PaneGetPlainText(PaneWindow); }

 private:
  // One pane serves every test, as the program has one: made by the first test and taken up again
  // after each reset has forgotten it.
  static void CreateReadingPaneOnce() {
    static PaneView* pane = nullptr;
    if (PaneExists(pane)) {
      PaneWindow = pane;
      return;
    }
    CreateReadingPane();
    pane = PaneWindow;
  }
};

}  // namespace vt::testing
