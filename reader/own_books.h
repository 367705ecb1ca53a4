// The reader's own books: the file the seventh book is read from ("trash.txt" in the current
// folder, or a file given to the program or dropped on its window) and the reading position of
// every such file by its full path, kept in a small file beside the settings.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/program_state.h"

namespace vt {

// The file the user's book is read from now.
const std::string& UserBookPath();

// The user's book is read from `path` from now on (made absolute); its remembered position is
// taken up, and the position of the file it replaces is kept.
void UseUserBookFile(const std::string& path);

// Where a book's reading position is kept: BookMark0 ... BookMark6, or for a file given to the
// program the position remembered for its path; nullptr for a book outside 0 ... 6.
int32_t* ReadingPositionOf(int book);

// The files read lately, the one being read first, then the others most recent first; at most 50.
std::vector<BookFilePosition> RecentBooks();

// Keeps the title a remembered file shows under (the shelf lists it by that title).
void RememberBookTitle(const std::string& path, const std::string& title);

// Drops a remembered file and its position (not the file being read).
void ForgetBookFile(const std::string& path);

// The positions of the reader's files: read at start, written when the window ends.
void LoadBookPositions();
void SaveBookPositions();

// The entries of a positions file's bytes (`cut`: the bytes end at the file's size cap, so its
// last line is incomplete), and the file's text for entries; each path comes back byte for byte.
std::vector<BookFilePosition> ReadBookPositionsText(const std::string& bytes, bool cut);
std::string BookPositionsText(const std::vector<BookFilePosition>& entries);

// The file that keeps them: "<program>.books" beside the settings file.
std::string BookPositionsPath();

}  // namespace vt
