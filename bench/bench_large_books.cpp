// Large and hostile books as the user's book: for each, the time from the end of the loading
// notice to the first painted screen, the memory the process holds at its peak, and the longest
// time any one command then blocks the window (zoom, case, wide spacing, the wheel, the page
// indicator, search, Next and Prev in a book without chapter marks, paragraph formatting, the
// bookmark saved at Esc). The books are a text of one repeated line without blank lines (the shape
// that once made one endless paragraph), the Bible repeated to 211 MB without its chapter marks (a
// real book's paragraphs, where Next finds nothing), and random bytes without control characters
// (which a binary file has, and is refused for). VELLUMTIDE_BENCH_BOOKS="random bytes, 200" (a
// part of the rows' names) measures only the books whose rows it names.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include <sys/resource.h>

#include "bench/bench.h"
#include "bench/bench_pane_window.h"
#include "core/settings_file.h"
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/testing.h"
#include "platform/window.h"
#include "reader/book_library.h"
#include "reader/display_options.h"
#include "reader/navigation.h"
#include "reader/reading_pane.h"
#include "reader/search.h"

namespace {

using bench::StatusMb;

// CPU milliseconds the calling thread has used.
double ThreadCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3 +
         usage.ru_stime.tv_usec / 1e3;
}

using bench::ResetPeakMemory;

void WriteLinesBook(const std::string& path, size_t bytes) {
  const std::string line = "In the beginning God created the heaven and the earth. And the earth was without form.\r\n";
  std::ofstream out(path, std::ios::binary);
  out << "T\r\n";
  for (size_t written = 3; written < bytes; written += line.size()) out << line;
}

// The Bible over and over, its chapter marks taken out, up to `bytes`.
void WriteUnmarkedBible(const std::string& path, size_t bytes) {
  std::string bible = vt::BuiltInBookText(1);
  for (size_t at = bible.find(">>"); at != std::string::npos; at = bible.find(">>", at)) bible.erase(at, 2);
  std::ofstream out(path, std::ios::binary);
  for (size_t written = 0; written < bytes; written += bible.size()) out << bible;
}

void WriteRandomBook(const std::string& path, size_t bytes) {
  std::mt19937_64 random(13);
  std::string block(1 << 20, '\0');
  std::ofstream out(path, std::ios::binary);
  for (size_t written = 0; written < bytes; written += block.size()) {
    for (size_t i = 0; i < block.size(); i += 8) {
      uint64_t r = random() | 0x2020202020202020ull;  // no control bytes: text in Windows-1252, not a binary file
      std::copy_n(reinterpret_cast<const char*>(&r), 8, block.data() + i);
    }
    out << block;
  }
}

// The time one command holds the window, events that it queued included.
double BlockMs(const std::function<void()>& command) {
  auto start = bench::Clock::now();
  command();
  vt::ProcessPendingEvents();
  return bench::MsSince(start);
}

void MeasureBook(const std::string& name, size_t bytes, void (*write)(const std::string&, size_t),
                 std::vector<bench::Row>& rows) {
  bench::ShowPaneWindow();
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "vellumtide-bench-large";
  std::filesystem::create_directories(folder);
  std::string previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  write("trash.txt", bytes);
  const double fileMb = static_cast<double>(std::filesystem::file_size("trash.txt")) / (1 << 20);

  vt::Book = 3;  // a small book first, so the large one is all that the peak holds
  vt::UserBarDelay = 0;
  vt::LoadBook();
  vt::ProcessPendingEvents();
  ResetPeakMemory();
  const double before = StatusMb("VmRSS");
  vt::SelectUserBookFile("trash.txt");  // whatever book an earlier benchmark opened
  vt::UserBarDelay = 2000;
  auto start = bench::Clock::now();
  const double cpuBefore = ThreadCpuMs();
  vt::LoadBook();
  bench::WaitForPanePaint(60000);
  const double afterNotice = bench::MsSince(start) - vt::UserBarDelay;
  const double windowCpu = ThreadCpuMs() - cpuBefore;
  const double peak = StatusMb("VmHWM");
  vt::UserBarDelay = 0;
  const bool shown = vt::Book == vt::UserBook;

  struct Command {
    const char* name;
    std::function<void()> run;
  } commands[] = {
      {"Larger", vt::ZoomIn},
      {"Smaller", vt::ZoomOut},
      {"wheel", [] { vt::PaneLineScroll(vt::PaneWindow, 3); }},
      {"Page", vt::ShowPageIndicator},
      {"Case", vt::CycleTextCase},
      {"Wide spacing", [] { vt::WideSpacing ^= 1; vt::RefreshPaneText(); }},
      {"Case, wide spacing on", vt::CycleTextCase},
      {"shortcut list", [] { vt::ToggleShortcutList("A list of a few lines\r\n"); }},
      {"back from the shortcut list", [] { vt::ToggleShortcutList(std::string()); }},
      {"search", [] { vt::FindInPane(+1, "zebra"); }},
      {"Next (no chapter marks)", [] { vt::FindInPane(+1, ">>"); }},
      {"Prev (no chapter marks, from the end)", [] {
         const int end = vt::PaneTextLength(vt::PaneWindow);
         vt::PaneSetSelection(vt::PaneWindow, end, end);
         vt::FindInPane(-1, ">>");
       }},
      {"Esc (bookmark)", vt::SaveBookmark},
      {"Paragraph formatting (after its notice)", [] { vt::FormatParagraph ^= 1; vt::LoadBook(); }},
  };
  double longest = 0;
  std::string longestName;
  std::vector<std::pair<std::string, double>> blocks;
  for (const Command& command : commands) {
    // a command that reloads the book shows the loading notice, whose wait is by design
    const bool reloads = std::string(command.name).rfind("Paragraph", 0) == 0;
    vt::UserBarDelay = reloads ? 2000 : 0;
    double ms = BlockMs(command.run) - vt::UserBarDelay;
    blocks.emplace_back(command.name, ms);
    if (ms > longest) longest = ms, longestName = command.name;
  }
  vt::UserBarDelay = 0;
  vt::WideSpacing = 0;
  vt::FormatParagraph = 1;
  vt::CaseType = 2;
  vt::Book = 3;
  vt::LoadBook();
  vt::ProcessPendingEvents();
  std::filesystem::remove("trash.txt");
  std::filesystem::current_path(previous);

  char size[32];
  std::snprintf(size, sizeof size, "%.0f MB", fileMb);
  rows.push_back({name + " " + size + " shown", shown ? 1.0 : 0.0, "yes=1", "1"});
  rows.push_back({name + " " + size + " first screen after the notice", afterNotice, "ms", "< 2000"});
  rows.push_back({name + " " + size + " window thread CPU, notice to first screen", windowCpu, "ms", ""});
  rows.push_back({name + " " + size + " peak memory added", peak - before, "MB", "< " + std::to_string(static_cast<int>(3 * fileMb + 100))});
  rows.push_back({name + " " + size + " peak memory of the process", peak, "MB", ""});
  rows.push_back({name + " " + size + " longest command block (" + longestName + ")", longest, "ms", "< 1000"});
  for (const auto& [command, ms] : blocks) rows.push_back({name + " " + size + " block: " + command, ms, "ms", "< 1000"});
}

void LargeBooks(std::vector<bench::Row>& rows) {
  const struct {
    const char* name;
    size_t bytes;
    void (*write)(const std::string&, size_t);
  } books[] = {
      {"lines,", 20u << 20, WriteLinesBook},
      {"random bytes,", 20u << 20, WriteRandomBook},
      {"lines,", 200u << 20, WriteLinesBook},
      {"Bible without chapter marks,", 211u << 20, WriteUnmarkedBible},
      {"random bytes,", 200u << 20, WriteRandomBook},
  };
  const char* only = std::getenv("VELLUMTIDE_BENCH_BOOKS");
  for (const auto& book : books)
    if (!only || (book.name + (" " + std::to_string(book.bytes >> 20) + " MB")).find(only) != std::string::npos)
      MeasureBook(book.name, book.bytes, book.write, rows);
}

bench::Register large("large-books", LargeBooks);

}  // namespace
