// E-books as the user's book: the Bible as an EPUB of one document per chapter (made here from the
// built-in text) converted on its own and shown through the reader, with the memory converting
// takes beside the text it makes; and files far over the size limit, refused before a byte of
// them is read.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/bench_pane_window.h"
#include "core/bar_messages.h"
#include "core/settings_file.h"
#include "platform/testing.h"
#include "reader/book_formats.h"
#include "reader/book_library.h"
#include "reader/navigation.h"
#include "tests/support/zip_writer.h"

namespace {

using bench::ResetPeakMemory;
using bench::StatusMb;

std::string Escaped(const std::string& line) {
  std::string out;
  for (char c : line) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
  return out;
}

// The Bible split at its "Chapter" lines, each chapter an XHTML document with its verses as paragraphs.
std::vector<std::string> BibleChapters() {
  const std::string text = vt::BuiltInBookText(1);
  std::vector<std::string> chapters(1);
  std::string book;
  for (size_t from = 0; from < text.size();) {
    const size_t end = std::min(text.find("\r\n", from), text.size());
    const std::string line = text.substr(from, end - from);
    from = end + 2;
    if (line.rfind(">>", 0) == 0) {
      book = line.substr(2);
    } else if (line.rfind("Chapter ", 0) == 0) {
      chapters.push_back("<h2>" + Escaped(book + " " + line) + "</h2>\n");
    } else if (!line.empty()) {
      chapters.back() += "<p>" + Escaped(line) + "</p>\n";
    }
  }
  return chapters;
}

void Ebooks(std::vector<bench::Row>& rows) {
  const std::vector<std::string> chapters = BibleChapters();
  const std::string epub = vt_test::MakeEpub("The Bible", chapters);
  // the memory first, while the process holds no freed room of earlier conversions
  ResetPeakMemory();
  const double before = StatusMb("VmRSS");
  std::string text;
  vt::ConvertBook(epub, "bible.epub", text);
  const double converting = StatusMb("VmHWM") - before;
  const double textMb = static_cast<double>(text.size()) / (1 << 20);
  const double convertMs = bench::MedianMs(5, [&] { vt::ConvertBook(epub, "bible.epub", text); });

  bench::ShowPaneWindow();
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vellumtide-bench-ebooks";
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "bible.epub").string(), huge = (folder / "huge.epub").string();
  std::ofstream(path, std::ios::binary) << epub;
  std::string title;
  const double sniffMs = bench::MedianMs(5, [&] { title = vt::BookFileTitle(path, vt::BookFileFormat(path)); });
  vt::UserBarDelay = 2000;
  auto start = bench::Clock::now();
  vt::OpenBookFile(path);
  bench::WaitForPanePaint(60000);
  const double shownMs = bench::MsSince(start) - vt::UserBarDelay;
  const bool shown = vt::EditFileName == "The Bible";

  vt::UserBarDelay = 0;
  std::vector<std::pair<int, double>> refusals;
  for (int gib : {1, 8}) {
    std::ofstream(huge, std::ios::binary).close();
    std::filesystem::resize_file(huge, static_cast<uintmax_t>(gib) << 30);  // sparse: no disk used
    ResetPeakMemory();
    const double memoryBefore = StatusMb("VmRSS");
    const double ms = bench::MedianMs(5, [&] { vt::OpenBookFile(huge); });
    refusals.emplace_back(gib, ms);
    rows.push_back({std::to_string(gib) + " GiB file: memory added", StatusMb("VmHWM") - memoryBefore, "MB", "~0"});
  }
  std::filesystem::remove_all(folder);

  char figures[64];
  std::snprintf(figures, sizeof figures, "(%zu documents, %.1f MB text)", chapters.size(), textMb);
  rows.push_back({std::string("Bible EPUB ") + figures + ": converted", convertMs, "ms", "< 1000"});
  rows.push_back({"Bible EPUB: peak memory converting", converting, "MB", "< " + std::to_string(static_cast<int>(3 * textMb + 1))});
  rows.push_back({"Bible EPUB: format and title from the file (window thread)", sniffMs, "ms", "< 50"});
  rows.push_back({"Bible EPUB: shown", shown ? 1.0 : 0.0, "yes=1", "1"});
  rows.push_back({"Bible EPUB: whole book shown after the notice", shownMs, "ms", "< 2000"});
  for (const auto& [gib, ms] : refusals)
    rows.push_back({std::to_string(gib) + " GiB file: \"too large\" notice", ms, "ms", "< 200"});
}

bench::Register ebooks("ebooks", Ebooks);

}  // namespace
