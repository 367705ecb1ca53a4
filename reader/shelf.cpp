// The shelf. It shows at once with what is known without touching the disk (the books read lately,
// by the titles kept with their positions); a worker thread then checks which of those files are
// gone, and looks through the user's folders for more, handing what it finds back to the window's
// thread in batches as it goes. The window's thread never waits for it: a search that outlives its
// time is called off with a notice, and whatever it sends later is dropped by its generation number.
//
// State (window thread only): the books shown and where each one's line stands in the pane, the
// marked book, the reader's place in the book under the shelf, and the search under way. The worker
// owns nothing but its copy of the folders to look through and a stop flag it shares.
#include "reader/shelf.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <memory>
#include <set>
#include <thread>
#include <utility>

#include "core/bar_messages.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "platform/files.h"
#include "platform/pane_positions.h"
#include "platform/folders.h"
#include "reader/book_formats.h"
#include "reader/book_library.h"
#include "reader/navigation.h"
#include "reader/own_books.h"
#include "reader/reading_pane.h"
#include "reader/reading_place.h"

namespace vt {

namespace {

constexpr const char* kShelfName = "Shelf of books";
constexpr const char* kShelfHeading = "Shelf: Up, Down, Enter";
constexpr const char* kReadHeading = "Read lately:";
constexpr const char* kNoneRead = "No book read yet";
constexpr const char* kFoundHeading = "In your folders:";
constexpr const char* kSearchingLine = "Looking for more...";
constexpr const char* kNoneFound = "No other book found";
constexpr const char* kFolderNotAnswering = "A folder does not answer";
// The names of the files the reader can show; the content decides in the end.
constexpr const char* kBookEndings[] = {".txt", ".text", ".epub", ".htm", ".html", ".xhtml", ".docx", ".odt"};
// Found books reach the window in batches at most this often, and the shelf's text is made anew
// at most this often: often enough to look live, seldom enough to leave the keys responsive.
constexpr auto kBatchInterval = std::chrono::milliseconds(150);
constexpr int kRefreshIntervalMs = 300;
// A worker still searching this long after its own limit is stuck in a folder that does not answer.
constexpr int kStuckAfterMs = 1000;

struct SearchShared {
  std::atomic<bool> stop{false};
};

struct ShelfState {
  std::vector<ShelfBook> books;          // what the shelf shows, in order
  std::vector<ShelfLine> lines;          // where each book's line stands in the pane
  int marked = -1;                       // the marked book
  ReadingPlace placeUnderShelf;          // the book's place while the shelf covers it
  bool reachedByBooks = false;           // Books went on to the shelf: Books again wraps round
  bool searching = false;                // a search of the folders is under way
  bool refreshPending = false;           // new books wait to be shown
  bool openPending = false;              // a click is about to open a book
  std::shared_ptr<SearchShared> search;  // the stop flag of the search under way
};
ShelfState shelf;
std::vector<ShelfBook>& books = shelf.books;
std::vector<ShelfLine>& lines = shelf.lines;
int& marked = shelf.marked;
ReadingPlace& placeUnderShelf = shelf.placeUnderShelf;
bool& reachedByBooks = shelf.reachedByBooks;
bool& searching = shelf.searching;
bool& refreshPending = shelf.refreshPending;
bool& openPending = shelf.openPending;
std::shared_ptr<SearchShared>& search = shelf.search;

// The search under way; later answers of others are dropped. It only grows, across resets too, so
// that a search from before a reset never passes for a later one.
int generation = 0;

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, std::max<std::size_t>(slash, 1));
}

// A folder as the shelf names it: the home folder as "~".
std::string ShownFolder(const std::string& folder) {
  const char* home = std::getenv("HOME");
  const std::string prefix = home ? home : "";
  if (!prefix.empty() && folder.rfind(prefix, 0) == 0 && (folder.size() == prefix.size() || folder[prefix.size()] == '/'))
    return "~" + folder.substr(prefix.size());
  return folder;
}

// A name as one line of UTF-8: a name in another encoding is read as Windows-1252, and a line
// break or other control character in it shows as "?" (it would split the book's line).
std::string OneLine(const std::string& bytes) {
  std::string text = BytesToUtf8(bytes);
  std::replace_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
  return text;
}

std::string BookLine(const ShelfBook& book) {
  const std::string name = OneLine(FileName(book.path)), title = OneLine(book.title);
  std::string line = title.empty() || title == name ? name : title + " - " + name;
  if (book.read) line += ", in " + OneLine(ShownFolder(FolderOf(book.path)));
  return book.missing ? "Missing: " + line + " (Delete removes it)" : line;
}

bool HasBookName(const std::string& name) {
  const std::string lower = LowerCase(name);
  return std::any_of(std::begin(kBookEndings), std::end(kBookEndings), [&lower](std::string_view ending) {
    return lower.size() > ending.size() && lower.compare(lower.size() - ending.size(), ending.size(), ending) == 0;
  });
}

bool EarlierName(const FolderEntry& a, const FolderEntry& b) {
  const std::string la = LowerCase(a.name), lb = LowerCase(b.name);
  return la != lb ? la < lb : a.name < b.name;
}

// ---- the pane ----

// The whole of the marked line is on screen: a line above the view comes to the top, one below it
// to the bottom.
void KeepMarkedLineInView() {
  const ShelfLine line = lines[marked];
  const int rows = PaneScreenRows(PaneWindow);
  const int top = PaneScreenRowOfChar(PaneWindow, line.start), bottom = PaneScreenRowOfChar(PaneWindow, line.end);
  if (top >= 0 && bottom >= 0 && bottom < rows) return;
  const int height = PaneLineFromChar(PaneWindow, line.end) - PaneLineFromChar(PaneWindow, line.start);
  PaneScrollCharToScreenRow(PaneWindow, line.start, top < 0 ? 0 : std::max(0, rows - 1 - height));
}

void ShowShelfText() {
  const int row = marked >= 0 && marked < static_cast<int>(lines.size()) ? PaneScreenRowOfChar(PaneWindow, lines[marked].start) : -1;
  std::string text = ShelfText(books, searching, lines);
  ApplyTextCase(text, CaseType);
  PaneKeepTextAside(PaneWindow);  // the book comes back after the shelf without being built anew
  if (WideSpacing)
    SetWidePaneText(PaneWindow, text);
  else
    SetPaneText(PaneWindow, text);
  if (marked >= static_cast<int>(books.size())) marked = static_cast<int>(books.size()) - 1;
  if (marked < 0 && !books.empty()) marked = 0;
  if (marked < 0) return;
  PaneSetRangeUnderline(PaneWindow, lines[marked].start, lines[marked].end, true);
  PaneSetSelection(PaneWindow, lines[marked].start, lines[marked].start);
  // A new shelf starts at its heading; a shelf made anew keeps the marked line on its row.
  if (row < 0)
    PaneScrollCharToTop(PaneWindow, 0);
  else
    PaneScrollCharToScreenRow(PaneWindow, lines[marked].start, row);
  KeepMarkedLineInView();
  ResetCaret(PaneWindow);
}

// The marked line is underlined as the spoken word is, and the caret stands at its start, so that
// a screen reader reads the book under it.
void MarkBook(int index) {
  if (lines.empty()) return;
  marked = std::clamp(index, 0, static_cast<int>(lines.size()) - 1);
  ClearPaneUnderline(PaneWindow);
  PaneSetRangeUnderline(PaneWindow, lines[marked].start, lines[marked].end, true);
  PaneSetSelection(PaneWindow, lines[marked].start, lines[marked].start);
  KeepMarkedLineInView();
  ResetCaret(PaneWindow);
}

// The book whose line holds the pane position; else, with `direction`, the next one that way; -1: none.
int BookAt(int32_t position, int direction) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (position >= lines[i].start && position <= lines[i].end) return static_cast<int>(i);
  if (direction > 0)
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].start > position) return static_cast<int>(i);
  if (direction < 0)
    for (std::size_t i = lines.size(); i-- > 0;)
      if (lines[i].end < position) return static_cast<int>(i);
  return -1;
}

int32_t CaretPosition() {
  int start = 0, end = 0;
  PaneGetSelection(PaneWindow, start, end);
  return std::min(start, end);
}

// ---- the search of the folders ----

void RefreshSoon() {
  if (refreshPending) return;
  refreshPending = true;
  const int asked = generation;
  RunLater(kRefreshIntervalMs, [asked] {
    refreshPending = false;
    if (asked != generation || !ShelfShown) return;
    // Reading the shelf aloud would stop at a new text: the new books wait for its end.
    if (IsSpeaking) return RefreshSoon();
    ShowShelfText();
  });
}

void StopSearch() {
  if (search) search->stop = true;
  search.reset();
  searching = false;
}

// Runs `task` on the window's thread if the search that asked is still the shelf's.
void Answer(const std::shared_ptr<SearchShared>& shared, int asked, std::function<void()> task) {
  if (shared->stop) return;
  RunLater(0, [asked, task = std::move(task)] {
    if (asked == generation && ShelfShown) task();
  });
}

void TakeCheckedBooks(const std::vector<ShelfBook>& checked) {
  for (const ShelfBook& book : checked)
    for (ShelfBook& shown : books)
      if (shown.read && shown.path == book.path) {
        shown.missing = book.missing;
        if (shown.title.empty()) shown.title = book.title;
        RememberBookTitle(book.path, book.title);
      }
  RefreshSoon();
}

// The worker: the books read lately first (gone? titled?), then the folders.
void SearchWorker(std::shared_ptr<SearchShared> shared, int asked, std::vector<ShelfBook> read,
                  std::vector<std::string> folders) {
  std::vector<std::string> known;
  for (ShelfBook& book : read) {
    const BookFormat format = BookFileFormat(book.path);
    book.missing = format == BookFormat::Missing;
    if (book.title.empty() && IsBookFormat(format)) book.title = BookFileTitle(book.path, format);
    known.push_back(book.path);
  }
  Answer(shared, asked, [read] { TakeCheckedBooks(read); });
  std::vector<ShelfBook> batch;
  auto sent = std::chrono::steady_clock::now();
  auto send = [&] {
    Answer(shared, asked, [batch] {
      books.insert(books.end(), batch.begin(), batch.end());
      RefreshSoon();
    });
    batch.clear();
    sent = std::chrono::steady_clock::now();
  };
  FolderSearchReport report;
  report.found = [&](const ShelfBook& book) {
    batch.push_back(book);
    if (std::chrono::steady_clock::now() - sent >= kBatchInterval) send();
  };
  bool told = false;  // one notice a search: a tree of locked folders would fill the bar for minutes
  report.unreadable = [&](const std::string& folder) {
    if (std::exchange(told, true)) return;
    Answer(shared, asked, [folder] { ShowBarMessageForAWhile("Cannot read " + ShownFolder(folder)); });
  };
  report.stop = [&] { return shared->stop.load(); };
  SearchFoldersForBooks(folders, known, kFolderSearchLimits, report);
  send();
  Answer(shared, asked, [] {
    searching = false;
    RefreshSoon();
  });
}

// The folders to look through: the usual ones, then the folder of the book read last.
std::vector<std::string> FoldersToSearch() {
  std::vector<std::string> folders = UsualBookFolders();
  for (const ShelfBook& book : books)
    if (book.read) {
      folders.push_back(FolderOf(book.path));
      break;
    }
  return folders;
}

void StartSearch() {
  StopSearch();
  search = std::make_shared<SearchShared>();
  searching = true;
  const int asked = ++generation;
  std::vector<ShelfBook> read(books);
  std::thread(SearchWorker, search, asked, std::move(read), FoldersToSearch()).detach();
  const int stuckAfter = static_cast<int>(kFolderSearchLimits.longest.count()) + kStuckAfterMs;
  RunLater(stuckAfter, [asked] {
    if (asked != generation || !searching || !ShelfShown) return;
    StopSearch();
    ShowShelfText();
    ShowBarMessageForAWhile(kFolderNotAnswering);
  });
}

// ---- showing, leaving, choosing ----

void ShowShelf(bool byBooks) {
  if (ShortcutListShown) ToggleShortcutList(std::string());
  SaveBookmark();
  placeUnderShelf = CurrentPlace();
  reachedByBooks = byBooks;
  books.clear();
  for (const BookFilePosition& recent : RecentBooks()) books.push_back(ShelfBook{recent.path, recent.title, true, false});
  marked = books.empty() ? -1 : 0;
  lines.clear();
  ShelfShown = 1;
  ShowShelfText();
  PaneSetAccessibleName(PaneWindow, kShelfName);
  PaneSetFocus(PaneWindow);
  StartSearch();
}

void OpenShelfBook(int index) {
  if (index < 0 || index >= static_cast<int>(books.size())) return;
  MarkBook(index);
  const ShelfBook book = books[index];
  const BookFormat format = BookFileFormat(book.path);
  if (!IsBookFormat(format)) {
    // Gone or spoilt since it was listed: the shelf says so and stays.
    const char* notice = RefusalNotice(format);
    ShowBarMessage(notice ? notice : "Missing: " + FileName(book.path), 1);
    return;
  }
  StopSearch();
  ClearPaneUnderline(PaneWindow);
  // The shelf still shows while the book opens, so the place of the book under it, kept when the
  // shelf came, is not overwritten by the shelf's.
  OpenBookFile(book.path);
  ShelfShown = 0;
  RememberBookTitle(book.path, EditFileName);
}

void RemoveMissingBook() {
  if (marked < 0 || !books[marked].read || !books[marked].missing) return;
  ForgetBookFile(books[marked].path);
  books.erase(books.begin() + marked);
  ShowShelfText();
}

bool UserBookReadable() { return IsBookFormat(BookFileFormat(UserBookPath())); }

// A search under way is stopped before the shelf is forgotten.
[[maybe_unused]] const bool resetWithProgram = ResetAlongWithProgramState([] {
  StopSearch();
  ++generation;
  shelf = ShelfState{};
});

}  // namespace

std::string ShelfText(const std::vector<ShelfBook>& shown, bool stillSearching, std::vector<ShelfLine>& bookLines) {
  std::string text;
  int32_t position = 0;
  auto add = [&](const std::string& line) {
    if (!text.empty()) text += "\r\n", ++position;
    text += line;
    position += PanePositionsOf(line);
  };
  auto addBook = [&](const ShelfBook& book) {
    const std::string line = BookLine(book);
    add(line);
    bookLines.push_back(ShelfLine{position - PanePositionsOf(line), position});
  };
  bookLines.clear();
  add(kShelfHeading);
  add(kReadHeading);
  const bool anyRead = std::any_of(shown.begin(), shown.end(), [](const ShelfBook& b) { return b.read; });
  if (!anyRead) add(kNoneRead);
  for (const ShelfBook& book : shown)
    if (book.read) addBook(book);
  add(kFoundHeading);
  std::size_t found = 0;
  for (const ShelfBook& book : shown)
    if (!book.read) addBook(book), ++found;
  if (stillSearching) add(kSearchingLine);
  else if (found == 0) add(kNoneFound);
  return text;
}

void SearchFoldersForBooks(const std::vector<std::string>& folders, const std::vector<std::string>& known,
                           const FolderSearchLimits& limits, const FolderSearchReport& report) {
  const auto deadline = std::chrono::steady_clock::now() + limits.longest;
  std::set<std::string> seen(known.begin(), known.end());
  std::size_t count = 0;
  auto over = [&] { return count >= limits.mostBooks || std::chrono::steady_clock::now() >= deadline || (report.stop && report.stop()); };
  std::vector<FolderEntry> entries;
  for (const std::string& root : folders) {
    std::deque<std::pair<std::string, int>> waiting{{root, 0}};
    while (!waiting.empty() && !over()) {
      const auto [folder, level] = waiting.front();
      waiting.pop_front();
      if (!ListFolder(folder, entries)) {
        // A usual folder the user never made is no news; one that exists and cannot be read is.
        if (level > 0 || KindOfEntry(folder) != EntryKind::None) report.unreadable(folder);
        continue;
      }
      std::sort(entries.begin(), entries.end(), EarlierName);
      for (const FolderEntry& entry : entries) {
        if (over()) return;
        if (entry.hidden || entry.link) continue;
        const std::string path = folder + (folder.ends_with('/') ? "" : "/") + entry.name;
        if (entry.folder && level < limits.deepestLevel) waiting.emplace_back(path, level + 1);
        if (!entry.file || !HasBookName(entry.name) || !seen.insert(path).second) continue;
        const BookFormat format = BookFileFormat(path);
        if (!IsBookFormat(format)) continue;
        report.found(ShelfBook{path, BookFileTitle(path, format), false, false});
        ++count;
      }
    }
  }
}

void ToggleShelf() {
  if (ShelfShown)
    LeaveShelf();
  else
    ShowShelf(false);
}

void NextBookOrShelf() {
  if (ShelfShown) {
    const bool wrap = reachedByBooks;
    LeaveShelf();
    if (wrap) NextBook();
    return;
  }
  // The shelf stands after the last book there is, so that the mouse alone reaches every book.
  if (Book == UserBook || (Book == UserBook - 1 && !UserBookReadable())) return ShowShelf(true);
  NextBook();
}

void LeaveShelf() {
  if (!ShelfShown) return;
  StopSearch();
  ++generation;
  ClearPaneUnderline(PaneWindow);
  ShelfShown = 0;
  ShowLoadedBook();
  ShowPlace(placeUnderShelf, true);
  PaneSetAccessibleName(PaneWindow, EditFileName);
}

void ShelfKeyPressed(PaneKey key) {
  // Books found since the text was made are shown first, so that the keys reach them.
  if (lines.size() != books.size() && !IsSpeaking) ShowShelfText();
  const int last = static_cast<int>(lines.size()) - 1;
  if (last < 0) return;
  switch (key) {
    case PaneKey::Up: case PaneKey::PageUp: {
      // The pane has moved the caret already; from within the marked line, on to the one above.
      const int at = BookAt(CaretPosition(), -1);
      return MarkBook(at < 0 ? marked : at == marked ? marked - 1 : at);
    }
    case PaneKey::Down: case PaneKey::PageDown: {
      const int at = BookAt(CaretPosition(), +1);
      return MarkBook(at < 0 ? marked : at == marked ? marked + 1 : at);
    }
    case PaneKey::Home: return MarkBook(0);
    case PaneKey::End: return MarkBook(last);
    case PaneKey::Enter: return OpenShelfBook(BookAt(CaretPosition(), 0) >= 0 ? BookAt(CaretPosition(), 0) : marked);
    case PaneKey::Delete: return RemoveMissingBook();
    default: return;
  }
}

void ShelfClicked() {
  const int at = BookAt(CaretPosition(), 0);
  if (at < 0 || openPending) return;
  openPending = true;
  const int asked = generation;
  // Opened once the click is over: the pane is not given a new text inside its own mouse handler.
  RunLater(0, [asked, at] {
    openPending = false;
    if (asked == generation && ShelfShown) OpenShelfBook(at);
  });
}

void EndShelfSearch() { StopSearch(); }

const std::vector<ShelfBook>& ShelfBooks() { return books; }
int ShelfMarkedBook() { return ShelfShown ? marked : -1; }
bool ShelfSearching() { return searching; }

}  // namespace vt
