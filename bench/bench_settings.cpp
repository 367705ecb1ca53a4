// The settings file's load and save, and the program's start-up to its first painted frame.
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/testing.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "bench/bench.h"
#include "platform/window.h"
#include "core/settings_file.h"

namespace {

std::string TemporaryFolder() {
  char pattern[] = "/tmp/vellumtide-bench-XXXXXX";
  return std::string(mkdtemp(pattern)) + "/";
}

void Measure(std::vector<bench::Row>& rows) {
  std::string folder = TemporaryFolder();
  vt::SetSettingsLocationForTesting(folder, folder + "config/");
  vt::ResetProgramState();
  vt::MainWindow = vt::CreateMainWidget(vt::Rect{0, 0, 800, 600}, "bench", vt::MainWindowEvents{});
  rows.push_back({"save", bench::MedianMs(51, [] { vt::PersistSettings("save"); }), "ms", "-"});
  rows.push_back({"load", bench::MedianMs(51, [] { vt::PersistSettings("get"); }), "ms", "-"});
  vt::DestroyMainWidget(vt::MainWindow);
  vt::MainWindow = nullptr;

  // Start-up with the default settings (as a first start leaves them) until the window has painted.
  std::filesystem::remove(vt::SettingsPath());
  vt::PersistSettings("get");
  vt::UserBarDelay = 0;
  vt::sBeepOn = 0;
  vt::PersistSettings("save");
  double startup = bench::MedianMs(5, [] {
    vt::StartMainWindow();
    while (!vt::WindowHasPainted(vt::MainWindow)) vt::ProcessPendingEvents();
    vt::EndMainWindow();
    vt::ProcessPendingEvents();
  });
  rows.push_back({"start-up to the first painted frame", startup, "ms", "-"});
  vt::SetSettingsLocationForTesting("", "");
  std::filesystem::remove_all(folder);
}

bench::Register registered("settings", Measure);

}  // namespace
