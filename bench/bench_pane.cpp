// The reading pane's figures: for each built-in book and a 20 MB generated book, LoadBook without
// the message wait, the first painted screen, the complete layout at 64 points (every display
// line counted), the number of display lines, and a zoom ("Larger") until the same reading
// position is painted again and until the layout is complete again.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

#include "platform/testing.h"
#include "app/main_window.h"
#include "bench/bench.h"
#include "bench/bench_pane_window.h"
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/window.h"
#include "reader/book_library.h"
#include "reader/reading_pane.h"
#include "reader/display_options.h"
#include "core/settings_file.h"

namespace {

// Runs the event loop until every display line is counted (a query of a long text's lines would
// not wait for that).
void WaitForEveryLine() {
  auto start = bench::Clock::now();
  while (!vt::PaneLinesCounted(vt::PaneWindow) && bench::MsSince(start) < 60000) vt::ProcessPendingEvents();
}

// A book of about `bytes` bytes: a title, headings, paragraphs of lines of pseudo-random words.
std::string GeneratedBook(size_t bytes) {
  static const char* const words[] = {"the", "reader", "turned", "a", "page", "of", "large", "letters", "and",
                                      "light", "fell", "across", "yellow", "words", "on", "blue", "quiet",
                                      "evening", "harbour", "lantern", "remembered", "morning"};
  std::mt19937 random(7);
  std::string text = "Generated Book\r\n\r\n";
  int chapter = 0;
  while (text.size() < bytes) {
    text += ">>Chapter " + std::to_string(++chapter) + "\r\n\r\n";
    for (int paragraph = 0; paragraph < 20 && text.size() < bytes; ++paragraph) {
      for (int line = 0; line < 6; ++line) {
        std::string row;
        while (row.size() < 68) row += std::string(words[random() % 22]) + " ";
        row.pop_back();
        text += row + "\r\n";
      }
      text += "\r\n";
    }
  }
  return text;
}

void MeasureBook(const std::string& name, int book, std::vector<bench::Row>& rows) {
  bench::ShowPaneWindow();
  vt::FontSize = 64;
  vt::ChangeFontSize(0);
  std::vector<double> load, first, full, zoomShown, zoomFull;
  int lines = 0, zoomedLines = 0;
  bool samePlace = true;
  for (int repeat = 0; repeat < 3; ++repeat) {
    vt::Book = book;
    auto start = bench::Clock::now();
    vt::LoadBook();
    load.push_back(bench::MsSince(start));
    bench::WaitForPanePaint(10000);
    first.push_back(bench::MsSince(start));
    WaitForEveryLine();
    lines = vt::PaneLineCount(vt::PaneWindow);
    full.push_back(bench::MsSince(start));

    // the reading position: a row in the middle of the book
    int length = vt::PaneTextLength(vt::PaneWindow);
    int middleLine = vt::PaneLineFromChar(vt::PaneWindow, length / 2);
    vt::PaneLineScroll(vt::PaneWindow, middleLine - vt::PaneFirstVisibleLine(vt::PaneWindow));
    int top = vt::PaneLineIndex(vt::PaneWindow, vt::PaneFirstVisibleLine(vt::PaneWindow));
    vt::ProcessPendingEvents();

    start = bench::Clock::now();
    vt::ZoomIn();
    bench::WaitForPanePaint(10000);
    zoomShown.push_back(bench::MsSince(start));
    WaitForEveryLine();
    zoomedLines = vt::PaneLineCount(vt::PaneWindow);
    zoomFull.push_back(bench::MsSince(start));
    int line = vt::PaneFirstVisibleLine(vt::PaneWindow);
    int from = vt::PaneLineIndex(vt::PaneWindow, line), to = vt::PaneLineIndex(vt::PaneWindow, line + 1);
    if (top < from || (to >= 0 && top >= to)) samePlace = false;
    vt::FontSize = 64;
    vt::ChangeFontSize(0);
    vt::ProcessPendingEvents();
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  rows.push_back({name + " LoadBook (no message wait)", median(load), "ms", ""});
  rows.push_back({name + " first screen painted", median(first), "ms", book == 1 ? "< 150" : ""});
  rows.push_back({name + " loaded, completely laid out 64 pt", median(full), "ms", book == 1 ? "< 700" : ""});
  rows.push_back({name + " display lines at 64 pt", static_cast<double>(lines), "lines", ""});
  rows.push_back({name + " zoom: same position painted", median(zoomShown), "ms", book == 1 ? "< 150" : ""});
  rows.push_back({name + " zoom: completely laid out", median(zoomFull), "ms", ""});
  rows.push_back({name + " display lines at 68 pt", static_cast<double>(zoomedLines), "lines", ""});
  rows.push_back({name + " zoom kept the reading position", samePlace ? 1.0 : 0.0, "yes=1", "1"});
}

void BuiltInBooks(std::vector<bench::Row>& rows) {
  for (int book = 0; book < vt::BuiltInBookCount; ++book) MeasureBook(vt::BookTitle(book), book, rows);
}

// The Bible with its lines as in the file (paragraph formatting off): four times as many blocks.
void BibleLines(std::vector<bench::Row>& rows) {
  bench::ShowPaneWindow();
  vt::FormatParagraph = 0;
  MeasureBook("Bible, reflow off,", 1, rows);
  vt::FormatParagraph = 1;
}

void GeneratedText(std::vector<bench::Row>& rows) {
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "vellumtide-bench-pane";
  std::filesystem::create_directories(folder);
  std::string previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  vt::WriteFileDurably("trash.txt", GeneratedBook(20u << 20));
  MeasureBook("20 MB text", vt::UserBook, rows);
  std::filesystem::remove("trash.txt");
  std::filesystem::current_path(previous);
}

bench::Register books("pane-books", BuiltInBooks);
bench::Register bibleLines("pane-bible-lines", BibleLines);
bench::Register generated("pane-20mb", GeneratedText);

}  // namespace
