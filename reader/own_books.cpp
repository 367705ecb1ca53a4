// The reader's own books. "trash.txt" keeps its place in BookMark6, as always; any other file
// keeps its position under its full path in "<program>.books", one "position TAB path" line per
// file, the most recently read first. That file is written whole to a temporary file and renamed
// over the old one, so a crash never leaves half of it.
#include "reader/own_books.h"

#include <algorithm>
#include <filesystem>

#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/files.h"

namespace vt {

constexpr const char* kDefaultUserBook = "trash.txt";
constexpr std::size_t kMostFilesKept = 200;

const std::string& UserBookPath() {
  static const std::string defaultPath = kDefaultUserBook;
  return UserBookFile.empty() ? defaultPath : UserBookFile;
}

static bool NamedFile() { return !UserBookFile.empty(); }

// The current file's position goes to the front of the list.
static void RememberCurrentFile() {
  if (!NamedFile()) return;
  auto same = [](const BookFilePosition& p) { return p.path == UserBookFile; };
  BookFilePositions.erase(std::remove_if(BookFilePositions.begin(), BookFilePositions.end(), same), BookFilePositions.end());
  BookFilePositions.insert(BookFilePositions.begin(), BookFilePosition{UserBookFile, UserFileBookMark});
  if (BookFilePositions.size() > kMostFilesKept) BookFilePositions.resize(kMostFilesKept);
}

void UseUserBookFile(const std::string& path) {
  RememberCurrentFile();
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  UserBookFile = error ? path : absolute.lexically_normal().string();
  UserFileBookMark = 0;
  for (const BookFilePosition& p : BookFilePositions)
    if (p.path == UserBookFile) UserFileBookMark = p.position;
}

int32_t* ReadingPositionOf(int book) {
  if (book == 6 && NamedFile()) return &UserFileBookMark;
  return BookMarkOf(book);
}

std::string BookPositionsPath() {
  std::string settings = SettingsPath();
  return settings.substr(0, settings.rfind('/') + 1) + ProgramBaseName() + ".books";
}

void LoadBookPositions() {
  BookFilePositions.clear();
  std::string bytes;
  if (!ReadWholeFile(BookPositionsPath(), bytes)) return;
  std::size_t start = 0;
  while (start < bytes.size() && BookFilePositions.size() < kMostFilesKept) {
    std::size_t end = bytes.find('\n', start);
    std::string line = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? bytes.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos || tab + 1 >= line.size()) continue;  // a damaged line is skipped
    int32_t position = std::max(0, RoundHalfEven(ReadNumberText(line.substr(0, tab))));
    BookFilePositions.push_back(BookFilePosition{line.substr(tab + 1), position});
  }
}

void SaveBookPositions() {
  RememberCurrentFile();
  if (BookFilePositions.empty()) return;
  std::string text;
  for (const BookFilePosition& p : BookFilePositions) text += std::to_string(p.position) + "\t" + p.path + "\r\n";
  std::string path = BookPositionsPath();
  if (WriteFileDurably(path + ".tmp", text)) RenameFile(path + ".tmp", path);
}

}  // namespace vt
