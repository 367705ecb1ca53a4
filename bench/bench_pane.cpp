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
#include "platform/files.h"
#include "platform/pane.h"
#include "platform/window.h"
#include "reader/book_library.h"
#include "reader/reading_pane.h"
#include "reader/display_options.h"
#include "core/settings_file.h"

namespace {

using Clock = std::chrono::steady_clock;

int paints = 0;


double Ms(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

// Runs the event loop until the pane has painted once more.
void WaitForPaint() {
  int before = paints;
  auto start = Clock::now();
  while (paints == before && Ms(start) < 10000) vt::ProcessPendingEvents();
}

// Runs the event loop until every display line is counted (a query of a long text's lines would
// not wait for that).
void WaitForEveryLine() {
  auto start = Clock::now();
  while (!vt::PaneLinesCounted(vt::PaneWindow) && Ms(start) < 60000) vt::ProcessPendingEvents();
}

void SetUpWindow() {
  static bool done = false;
  if (done) return;
  done = true;
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
  vt::PaneSetGeometry(vt::PaneWindow, 5, 200, 1910, 875);
  vt::ChangeFontSize(0);
  vt::ApplyColors();
  vt::ProcessPendingEvents();
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
  SetUpWindow();
  vt::FontSize = 64;
  vt::ChangeFontSize(0);
  std::vector<double> load, first, full, zoomShown, zoomFull;
  int lines = 0, zoomedLines = 0;
  bool samePlace = true;
  for (int repeat = 0; repeat < 3; ++repeat) {
    vt::Book = book;
    auto start = Clock::now();
    vt::LoadBook();
    load.push_back(Ms(start));
    WaitForPaint();
    first.push_back(Ms(start));
    WaitForEveryLine();
    lines = vt::PaneLineCount(vt::PaneWindow);
    full.push_back(Ms(start));

    // the reading position: a row in the middle of the book
    int length = vt::PaneTextLength(vt::PaneWindow);
    int middleLine = vt::PaneLineFromChar(vt::PaneWindow, length / 2);
    vt::PaneLineScroll(vt::PaneWindow, middleLine - vt::PaneFirstVisibleLine(vt::PaneWindow));
    int top = vt::PaneLineIndex(vt::PaneWindow, vt::PaneFirstVisibleLine(vt::PaneWindow));
    vt::ProcessPendingEvents();

    start = Clock::now();
    vt::ZoomIn();
    WaitForPaint();
    zoomShown.push_back(Ms(start));
    WaitForEveryLine();
    zoomedLines = vt::PaneLineCount(vt::PaneWindow);
    zoomFull.push_back(Ms(start));
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
  SetUpWindow();
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
