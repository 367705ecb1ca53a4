// The user's folders, as the shelf looks through them for books: where a person usually keeps
// documents and downloads, and what one folder holds. Only calls into the system live behind this
// header; how deep to look, what to skip and when to stop are the shelf's rules, written once above
// it. Both calls may block on a slow or hanging disk, so the program makes them on a worker thread
// (any thread may call them; they keep no state).
#pragma once
#include <string>
#include <vector>

namespace vt {

// The folders where this user usually keeps books, in the order they are looked through: on Linux
// the XDG documents and download folders and "~/Books", on Windows the Documents and Downloads
// known folders. UTF-8, '/' between folders, no trailing slash; a folder may not exist.
std::vector<std::string> UsualBookFolders();

// One entry of a folder. `link`: the entry is a symbolic link (or another redirection, such as a
// Windows junction), which the shelf never follows; `folder` and `file` describe the entry itself.
struct FolderEntry {
  std::string name;  // UTF-8, without the folder
  bool folder = false;
  bool file = false;    // a regular file
  bool hidden = false;  // a dot name, or marked hidden by the system
  bool link = false;
};

// The entries of a folder (without "." and ".."), in no set order; false when it cannot be read.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

}  // namespace vt
