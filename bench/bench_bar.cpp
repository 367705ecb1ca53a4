// The icon bar: how long a rebuild takes for each layout (Play/Stop and set changes rebuild it),
// at the default icon size and at twice that, and how long the icons take to load.
#include "platform/testing.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "bar/icon_bar.h"
#include "bench/bench.h"
#include "platform/window.h"
#include "reader/display_options.h"
#include "core/settings_file.h"
#include "speech/reading_aloud.h"

namespace {

using namespace vt;

struct Layout {
  const char* name;
  int wide, set;
};

const Layout kLayouts[] = {{"wide", 1, 0}, {"set 0 (reading)", 0, 0}, {"set 1 (speech)", 0, 1}, {"set 2 (appearance)", 0, 2}};

void Run(std::vector<bench::Row>& rows) {
  ResetProgramState();
  MainWindow = CreateMainWidget(Rect{0, 0, 1920, 1080}, MainWindowTitle(), MainWindowEvents{});
  InitialiseAndShow(MainWindow);  // without handlers the initialisation is left to this bench
  ComputeFontScale();
  CreateBarFont();
  for (int size : {128, 256}) {
    IconSize = size;
    double load = bench::MedianMs(5, [] { CreateBarImageList(); });
    rows.push_back({"CreateBarImageList, IconSize " + std::to_string(size), load, "ms", "-"});
    for (const Layout& layout : kLayouts) {
      WideMenu = layout.wide;
      ButtonSet = layout.set;
      BuildIconBar();  // fonts and styles warmed up
      ProcessPendingEvents();
      double build = bench::MedianMs(31, [] { BuildIconBar(); });
      ProcessPendingEvents();
      rows.push_back({std::string("BuildIconBar ") + layout.name + ", IconSize " + std::to_string(size), build, "ms",
                      "< 15"});
    }
  }
  // What a click on Play shows: the rebuild and the window painted with the new bar.
  WideMenu = 0;
  ButtonSet = 0;
  for (int size : {128, 256}) {
    IconSize = size;
    CreateBarImageList();
    BuildIconBar();
    ProcessPendingEvents();
    double shown = bench::MedianMs(21, [] {
      IsSpeaking ^= 1;
      BuildIconBar();
      ProcessPendingEvents();
    });
    rows.push_back({"BuildIconBar and paint, set 0, IconSize " + std::to_string(size), shown, "ms", "< 15"});
  }
  DestroyMainWidget(MainWindow);
  MainWindow = nullptr;
  BarWindow = nullptr;
}

bench::Register r("bar", Run);

}  // namespace
