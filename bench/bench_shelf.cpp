// The shelf over the Bible at 64 points, with 50 books read lately and 1,000 books in a fake home
// folder: the time from the key to the shelf on screen, the search of the folders on its worker,
// a key on the full shelf (which first shows what was found), and the way back to the Bible.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "bench/bench.h"
#include "core/settings_file.h"
#include "platform/pane.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "reader/own_books.h"
#include "reader/shelf.h"

namespace {

constexpr int kReadLately = 50;
constexpr int kBooksInFolders = 1000;

std::string TemporaryFolder() {
  char pattern[] = "/tmp/vellumtide-bench-XXXXXX";
  return std::string(mkdtemp(pattern)) + "/";
}

// A home folder whose "Books" holds 1,000 small books in 20 folders, and a positions file that
// names 50 of them as read lately.
void MakeHome(const std::string& folder) {
  std::string positions = "vellumtide-books 2\r\n";
  for (int i = 0; i < kBooksInFolders; ++i) {
    const std::string shelf = folder + "home/Books/shelf" + std::to_string(i % 20);
    std::filesystem::create_directories(shelf);
    const std::string path = shelf + "/book" + std::to_string(i) + ".txt";
    std::ofstream(path, std::ios::binary) << "Book number " << i << "\r\n\r\nA line of it.\r\n";
    if (i < kReadLately) positions += "position\t0\t" + path + "\r\ntitle\t" + path + "\tBook number " + std::to_string(i) + "\r\n";
  }
  std::filesystem::create_directories(folder + "config");
  std::ofstream(vt::BookPositionsPath(), std::ios::binary) << positions;
}

void StartWithTheBible(const std::string& folder) {
  vt::SetSettingsLocationForTesting(folder, folder + "config/");
  std::ofstream(vt::SettingsPath(), std::ios::binary)
      << "[All]\r\nUserBarDelay=0\r\nsBeepOn=0\r\nBook=1\r\nBookMark1=0\r\nFontSize=64\r\n"
         "Left=0\r\nTop=0\r\nWidth=1920\r\nHeight=1080\r\nMaximized=0\r\n";
  MakeHome(folder);
  vt::StartMainWindow();
  vt::ProcessPendingEvents();
}

void WaitForTheSearch() {
  while (vt::ShelfSearching()) vt::ProcessPendingEvents();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void Measure(std::vector<bench::Row>& rows) {
  const std::string folder = TemporaryFolder();
  const char* home = std::getenv("HOME");
  const std::string realHome = home ? home : "";
  setenv("HOME", (folder + "home").c_str(), 1);
  StartWithTheBible(folder);

  // Each round: the key, the shelf on screen; the search to its end; the key again, the Bible back.
  std::vector<double> show, search, back;
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    vt::RunCommand(vt::CmdShelf);
    vt::ProcessPendingEvents();
    show.push_back(MsSince(start));
    start = std::chrono::steady_clock::now();
    WaitForTheSearch();
    search.push_back(MsSince(start));
    start = std::chrono::steady_clock::now();
    vt::RunCommand(vt::CmdShelf);
    vt::ProcessPendingEvents();
    back.push_back(MsSince(start));
  }
  rows.push_back({"shelf shown over the Bible (50 read lately)", Median(show), "ms", "< 200 ms"});
  rows.push_back({"search of the folders to 1,000 books (worker)", Median(search), "ms", "< 2000 ms"});
  rows.push_back({"back to the Bible from the shelf", Median(back), "ms", "< 200 ms"});

  vt::RunCommand(vt::CmdShelf);
  WaitForTheSearch();
  rows.push_back({"books on the shelf", static_cast<double>(vt::ShelfBooks().size()), "books", "1,000"});
  rows.push_back({"first Down on the full shelf (shows what was found)", bench::MedianMs(1, [] {
                    vt::ShelfKeyPressed(vt::PaneKey::Down);
                  }),
                  "ms", "< 200 ms"});
  rows.push_back({"Down on the full shelf", bench::MedianMs(21, [] { vt::ShelfKeyPressed(vt::PaneKey::Down); }), "ms",
                  "< 20 ms"});
  const auto start = std::chrono::steady_clock::now();
  vt::RunCommand(vt::CmdShelf);
  vt::ProcessPendingEvents();
  rows.push_back({"back to the Bible from the full shelf", MsSince(start), "ms", "< 200 ms"});

  vt::EndMainWindow();
  vt::ProcessPendingEvents();
  vt::MainWindow = nullptr;
  vt::SetSettingsLocationForTesting("", "");
  setenv("HOME", realHome.c_str(), 1);
  std::filesystem::remove_all(folder);
}

bench::Register registered("shelf", Measure);

}  // namespace
