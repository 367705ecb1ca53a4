// Moving through the longest book at the default 64-point type: the page indicator, a search for
// a word near the end, a backward search for the chapter mark, the next chapter, and the reading
// position's two halves (reading the top character, scrolling a character to the top).
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/testing.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "bench/bench.h"
#include "platform/pane.h"
#include "platform/window.h"
#include "reader/navigation.h"
#include "reader/reading_pane.h"
#include "reader/search.h"
#include "core/settings_file.h"

namespace {

constexpr const char* kTarget = "< 20 ms";

std::string TemporaryFolder() {
  char pattern[] = "/tmp/vellumtide-bench-XXXXXX";
  return std::string(mkdtemp(pattern)) + "/";
}

// The Bible at 64 points in a window of 1920 x 1080, shown and laid out.
void StartWithTheBible(const std::string& folder) {
  vt::SetSettingsLocationForTesting(folder, folder + "config/");
  std::ofstream(vt::SettingsPath(), std::ios::binary)
      << "[All]\r\nUserBarDelay=0\r\nsBeepOn=0\r\nBook=1\r\nBookMark1=0\r\nFontSize=64\r\n"
         "Left=0\r\nTop=0\r\nWidth=1920\r\nHeight=1080\r\nMaximized=0\r\n";
  vt::StartMainWindow();
  vt::ProcessPendingEvents();
}

void PutCaret(int position) { vt::PaneSetSelection(vt::PaneWindow, position, position); }

void Measure(std::vector<bench::Row>& rows) {
  std::string folder = TemporaryFolder();
  StartWithTheBible(folder);
  int length = vt::PaneTextLength(vt::PaneWindow);
  int ninetyPercent = static_cast<int>(length * 0.9);
  rows.push_back({"text length of the Bible (characters)", static_cast<double>(length), "chars", "-"});
  rows.push_back({"display lines of the Bible at 64 pt", static_cast<double>(vt::PaneLineCount(vt::PaneWindow)),
                  "lines", "-"});

  rows.push_back({"page indicator, caret at the middle", bench::MedianMs(21, [length] {
                    PutCaret(length / 2);
                    vt::ShowPageIndicator();
                  }),
                  "ms", kTarget});

  rows.push_back({"search forward for \"patmos\" from the start", bench::MedianMs(21, [] {
                    PutCaret(0);
                    vt::FindInPane(1, "patmos");
                  }),
                  "ms", kTarget});

  rows.push_back({"search backward for \">>\" from the end", bench::MedianMs(21, [length] {
                    PutCaret(length);
                    vt::FindInPane(-1, ">>");
                  }),
                  "ms", kTarget});

  rows.push_back({"Next chapter from the middle", bench::MedianMs(21, [length] {
                    PutCaret(length / 2);
                    vt::RunCommand(vt::CmdNext);
                  }),
                  "ms", kTarget});

  vt::ScrollCharToTop(ninetyPercent);
  vt::ProcessPendingEvents();
  rows.push_back({"TopVisibleCharIndex at 90 %", bench::MedianMs(51, [] { vt::TopVisibleCharIndex(); }), "ms",
                  kTarget});

  rows.push_back({"ScrollCharToTop to 90 % from the start", bench::MedianMs(21, [ninetyPercent] {
                    vt::ScrollCharToTop(0);
                    vt::ScrollCharToTop(ninetyPercent);
                  }),
                  "ms", kTarget});

  vt::EndMainWindow();
  vt::ProcessPendingEvents();
  vt::MainWindow = nullptr;
  vt::SetSettingsLocationForTesting("", "");
  std::filesystem::remove_all(folder);
}

bench::Register registered("navigation", Measure);

}  // namespace
