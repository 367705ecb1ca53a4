#include "bench/bench_pane_window.h"

#include "core/settings_file.h"
#include "platform/pane.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "reader/display_options.h"
#include "reader/reading_pane.h"

namespace bench {

static int paints = 0;

double MsSince(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

void ShowPaneWindow() {
  // made once, and again when another benchmark (navigation) ended the program's window since
  static vt::PaneView* made = nullptr;
  if (made && made == vt::PaneWindow && vt::PaneExists(made)) return;
  vt::ResetProgramState();
  vt::UserBarDelay = 0;
  vt::sBeepOn = 0;
  vt::MainWindow = vt::CreateMainWidget(vt::Rect{0, 0, 1920, 1080}, "bench", vt::MainWindowEvents{});
  vt::InitialiseAndShow(vt::MainWindow);
  vt::ComputeFontScale();
  vt::CreateReadingPane();
  vt::PaneEvents events;  // the pane's paints counted, and no other handling
  events.painted = [] { ++paints; };
  vt::PaneSetEvents(vt::PaneWindow, events);
  made = vt::PaneWindow;
  vt::PaneSetGeometry(vt::PaneWindow, 5, 200, 1910, 875);
  vt::ChangeFontSize(0);
  vt::ApplyColors();
  vt::ProcessPendingEvents();
}

void WaitForPanePaint(int limitMs) {
  const int before = paints;
  const auto start = Clock::now();
  while (paints == before && MsSince(start) < limitMs) vt::ProcessPendingEvents();
}

}  // namespace bench
