// The shelf: a page of the pane that lists the user's books so that they can be found and opened
// without typing a path. First the books read lately, most recent first; then the readable files
// found in the user's usual folders and in the folder of the book read last. Like the shortcut list
// it replaces the book while it shows, and the book comes back at its place.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/pane.h"

namespace vt {

// One book on the shelf.
struct ShelfBook {
  std::string path;
  std::string title;     // as the reader shows it; "" until known (the file's name stands in)
  bool read = false;     // one of the books read lately
  bool missing = false;  // a book read lately whose file is gone
};

// Where a book's line stands in the pane's text (pane positions: a paragraph break counts one).
struct ShelfLine {
  int32_t start = 0, end = 0;
};

// The shelf's text, lines joined by CR LF, and the place of each book's line in it, in the order of
// `books`. `searching`: the folders are still being looked through.
std::string ShelfText(const std::vector<ShelfBook>& books, bool searching, std::vector<ShelfLine>& lines);

// How far the search of the folders goes: the folders nested this many levels below a usual folder
// are looked through, and it stops after this many books or this long.
struct FolderSearchLimits {
  int deepestLevel;
  std::size_t mostBooks;
  std::chrono::milliseconds longest;
};
// Three levels find "Books/Author/Series/book.epub"; a thousand books fill any shelf a person scans
// by eye; two seconds bound what a slow disk costs the worker.
constexpr FolderSearchLimits kFolderSearchLimits{3, 1000, std::chrono::milliseconds(2000)};

// What the search tells as it goes; `stop` is asked between entries and ends it when true.
struct FolderSearchReport {
  std::function<void(const ShelfBook&)> found;
  std::function<void(const std::string& folder)> unreadable;
  std::function<bool()> stop;
};

// Looks through `folders` in order, each breadth first and its entries by name: hidden entries and
// links are skipped, files with a book's name that the reader can show are reported with their
// titles, and paths in `known` (or found already) are reported once. Blocks on the disk: the shelf
// runs it on a worker thread.
void SearchFoldersForBooks(const std::vector<std::string>& folders, const std::vector<std::string>& known,
                           const FolderSearchLimits& limits, const FolderSearchReport& report);

// The shelf command (Ctrl+O, and O with the letter shortcuts): shows the shelf, or leaves it.
void ToggleShelf();

// The Books command: the next book; after the seventh (or the sixth, with no seventh) the shelf,
// and from a shelf reached that way the first book.
void NextBookOrShelf();

// Leaves the shelf without choosing: the book comes back at its place.
void LeaveShelf();

// Calls off a search of the folders under way (the window is ending); nothing it finds arrives.
void EndShelfSearch();

// The pane's keys and clicks while the shelf shows, after the pane has handled them itself.
void ShelfKeyPressed(PaneKey key);
void ShelfClicked();

// What the shelf shows now, and the index of the marked book (-1: none); tests read them.
const std::vector<ShelfBook>& ShelfBooks();
int ShelfMarkedBook();
// True while the folders are being looked through.
bool ShelfSearching();

}  // namespace vt
