// The reader's own books. "trash.txt" keeps its place in BookMark6, as always; any other file
// keeps its position under its full path in "<program>.books", the most recently read first. That
// file is written whole to a temporary file and renamed over the old one, so a crash never leaves
// half of it.
//
// The file: a first line naming it and its version, then one entry per line, each a type word and
// its fields separated by tabs ("position", the number, the path; "title", the path, the title of
// the entry just before). A path or title is stored with every
// byte that could break the line (a control character, '%', a byte of no valid UTF-8) as %XX, so
// a name holding a newline, a tab or any bytes at all comes back exactly. A line of a type this
// program does not know, a damaged line and a path longer than any the system takes are dropped
// and not written back. A file of the first version (no first line, "number TAB path") still loads.
#include "reader/own_books.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/files.h"

namespace vt {

constexpr const char* kDefaultUserBook = "trash.txt";
constexpr std::size_t kMostFilesKept = 200;
// The shelf lists the books read last: enough for anyone's current reading, few enough to scan.
constexpr std::size_t kMostRecentBooks = 50;

const std::string& UserBookPath() {
  static const std::string defaultPath = kDefaultUserBook;
  return UserBookFile.empty() ? defaultPath : UserBookFile;
}

static bool NamedFile() { return !UserBookFile.empty(); }

static std::vector<BookFilePosition>::iterator EntryOf(const std::string& path) {
  return std::find_if(BookFilePositions.begin(), BookFilePositions.end(), [&path](const BookFilePosition& p) { return p.path == path; });
}

// The current file's position goes to the front of the list, with the title it shows under.
static void RememberCurrentFile() {
  if (!NamedFile()) return;
  auto entry = EntryOf(UserBookFile);
  std::string title = entry != BookFilePositions.end() ? entry->title : std::string();
  if (Book == 6 && !EditFileName.empty()) title = EditFileName;
  if (entry != BookFilePositions.end()) BookFilePositions.erase(entry);
  BookFilePositions.insert(BookFilePositions.begin(), BookFilePosition{UserBookFile, UserFileBookMark, title});
  if (BookFilePositions.size() > kMostFilesKept) BookFilePositions.resize(kMostFilesKept);
}

void UseUserBookFile(const std::string& path) {
  RememberCurrentFile();
  // The path is UTF-8 on every system: as a char8_t string it is read as UTF-8 on Windows too,
  // where a plain string would be taken in the code page and lose its accented letters.
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(std::u8string(path.begin(), path.end()), error);
  std::u8string normal = absolute.lexically_normal().generic_u8string();
  UserBookFile = error ? path : std::string(normal.begin(), normal.end());
  UserFileBookMark = 0;
  for (const BookFilePosition& p : BookFilePositions)
    if (p.path == UserBookFile) UserFileBookMark = p.position;
}

std::vector<BookFilePosition> RecentBooks() {
  RememberCurrentFile();
  const std::size_t count = std::min(BookFilePositions.size(), kMostRecentBooks);
  return std::vector<BookFilePosition>(BookFilePositions.begin(), BookFilePositions.begin() + count);
}

void RememberBookTitle(const std::string& path, const std::string& title) {
  auto entry = EntryOf(path);
  if (entry != BookFilePositions.end() && !title.empty()) entry->title = title;
}

void ForgetBookFile(const std::string& path) {
  auto entry = EntryOf(path);
  if (entry != BookFilePositions.end() && path != UserBookFile) BookFilePositions.erase(entry);
}

int32_t* ReadingPositionOf(int book) {
  if (book == 6 && NamedFile()) return &UserFileBookMark;
  return BookMarkOf(book);
}

std::string BookPositionsPath() {
  const std::string settingsFile = SettingsPath();
  return settingsFile.substr(0, settingsFile.rfind('/') + 1) + ProgramBaseName() + ".books";
}

constexpr const char* kPositionsHeader = "vellumtide-books 2";
constexpr const char* kPositionType = "position";
// "title TAB path TAB title", after the position of the same path; a program that knows only
// positions skips it, and it names no file that has no position.
constexpr const char* kTitleType = "title";
// Linux takes paths of up to 4,096 bytes (PATH_MAX); a longer one names no file.
constexpr std::size_t kLongestPath = 4096;
// A title is a line of the book; longer ones are not kept (the file's size cap counts on it).
constexpr std::size_t kLongestTitle = kLongestPath;
// The most the file can hold when full: every entry at the longest path and title, every byte escaped.
constexpr std::size_t kLargestPositionsFile = kMostFilesKept * (3 * (2 * kLongestPath + kLongestTitle) + 64);

static bool NeedsEscape(std::string_view path, std::size_t i, std::size_t& validLength) {
  unsigned char c = static_cast<unsigned char>(path[i]);
  validLength = 1;
  if (c < 0x20 || c == 0x7F || c == '%') return true;
  if (c < 0x80) return false;
  validLength = Utf8SequenceLength(path, i);
  return validLength == 0;
}

static std::string EncodePositionPath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < path.size();) {
    std::size_t length = 1;
    if (NeedsEscape(path, i, length)) {
      unsigned char c = static_cast<unsigned char>(path[i++]);
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
      continue;
    }
    out.append(path, i, length);
    i += length;
  }
  return out;
}

static int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The path of a field (false: damaged, empty, or longer than any path).
static bool DecodePositionPath(const std::string& field, std::string& path) {
  path.clear();
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      path += field[i];
      continue;
    }
    int high = i + 2 < field.size() ? HexValue(field[i + 1]) : -1;
    int low = high >= 0 ? HexValue(field[i + 2]) : -1;
    if (low < 0) return false;
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return !path.empty() && path.size() <= kLongestPath;
}

// The lines of the file; when it was cut at its size cap, the last line (cut too) is left out.
static std::vector<std::string> PositionLines(const std::string& bytes, bool cut) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos && cut) break;
    std::string line = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? bytes.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

static std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

static int32_t PositionNumber(const std::string& text) { return std::max(0, RoundHalfEven(ReadNumberText(text))); }

// One entry of the first version: "number TAB path", the path as it was.
static bool ReadFirstVersionLine(const std::string& line, BookFilePosition& entry) {
  std::size_t tab = line.find('\t');
  if (tab == std::string::npos || tab + 1 >= line.size() || line.size() - tab - 1 > kLongestPath) return false;
  entry = BookFilePosition{line.substr(tab + 1), PositionNumber(line.substr(0, tab))};
  return true;
}

static bool ReadEntryLine(const std::string& line, BookFilePosition& entry) {
  std::vector<std::string> fields = Fields(line);
  if (fields.size() != 3 || fields[0] != kPositionType) return false;  // another type, or damaged
  entry.position = PositionNumber(fields[1]);
  return DecodePositionPath(fields[2], entry.path);
}

// A title line gives its title to the entry of its path read last, when that is the entry before it.
static void ReadTitleLine(const std::string& line, std::vector<BookFilePosition>& entries) {
  std::vector<std::string> fields = Fields(line);
  std::string path, title;
  if (fields.size() != 3 || fields[0] != kTitleType || entries.empty()) return;
  if (DecodePositionPath(fields[1], path) && path == entries.back().path && DecodePositionPath(fields[2], title))
    entries.back().title = title;
}

std::vector<BookFilePosition> ReadBookPositionsText(const std::string& bytes, bool cut) {
  std::vector<BookFilePosition> entries;
  std::vector<std::string> lines = PositionLines(bytes, cut);
  bool firstVersion = lines.empty() || lines[0] != kPositionsHeader;
  for (std::size_t i = firstVersion ? 0 : 1; i < lines.size() && entries.size() < kMostFilesKept; ++i) {
    BookFilePosition entry;
    if (firstVersion ? ReadFirstVersionLine(lines[i], entry) : ReadEntryLine(lines[i], entry))
      entries.push_back(std::move(entry));
    else if (!firstVersion)
      ReadTitleLine(lines[i], entries);
  }
  return entries;
}

std::string BookPositionsText(const std::vector<BookFilePosition>& entries) {
  std::string text = std::string(kPositionsHeader) + "\r\n";
  for (const BookFilePosition& p : entries) {
    if (p.path.empty() || p.path.size() > kLongestPath) continue;
    const std::string path = EncodePositionPath(p.path);
    text += std::string(kPositionType) + "\t" + std::to_string(p.position) + "\t" + path + "\r\n";
    if (!p.title.empty() && p.title.size() <= kLongestTitle)
      text += std::string(kTitleType) + "\t" + path + "\t" + EncodePositionPath(p.title) + "\r\n";
  }
  return text;
}

void LoadBookPositions() {
  BookFilePositions.clear();
  std::string bytes;
  if (!ReadFileStart(BookPositionsPath(), bytes, kLargestPositionsFile)) return;
  BookFilePositions = ReadBookPositionsText(bytes, bytes.size() == kLargestPositionsFile);
}

void SaveBookPositions() {
  RememberCurrentFile();
  if (BookFilePositions.empty()) return;
  ReplaceFileDurably(BookPositionsPath(), BookPositionsText(BookFilePositions), ".tmp");
}

}  // namespace vt
