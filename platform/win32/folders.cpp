// The user's folders on Windows: the Documents and Downloads known folders, and one folder's
// entries through FindFirstFileExW. A reparse point (a symbolic link or a junction) is reported as
// a link and never followed. Paths are UTF-8 with '/' between folders, as everywhere in the
// program. Runs on any thread; no state.
#include "platform/folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/win32/wide_text.h"

namespace vt {

namespace {

std::string PortableFolder(const std::wstring& native) {
  std::string path = WideToUtf8(native);
  std::replace(path.begin(), path.end(), '\\', '/');
  while (path.size() > 3 && path.back() == '/') path.pop_back();
  return path;
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR found = nullptr;
  std::string path;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &found))) path = PortableFolder(found);
  CoTaskMemFree(found);
  return path;
}

// The search pattern for every entry of a folder; a long path gets the prefix that lifts MAX_PATH.
std::wstring AllEntriesOf(const std::string& folder) {
  std::wstring wide = Utf8ToWide(folder);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  if (wide.size() > 200 && wide.rfind(L"\\\\", 0) != 0) wide = L"\\\\?\\" + wide;
  if (!wide.empty() && wide.back() != L'\\') wide += L'\\';
  return wide + L'*';
}

}  // namespace

std::vector<std::string> UsualBookFolders() {
  std::vector<std::string> folders;
  for (const std::string& path : {KnownFolder(FOLDERID_Documents), KnownFolder(FOLDERID_Downloads)})
    if (!path.empty()) folders.push_back(path);
  return folders;
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(AllEntriesOf(folder).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry entry;
    entry.name = WideToUtf8(name);
    const DWORD attributes = data.dwFileAttributes;
    entry.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.hidden = name[0] == L'.' || (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    entry.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.file = !entry.folder && !(attributes & FILE_ATTRIBUTE_DEVICE);
    entries.push_back(std::move(entry));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return true;
}

}  // namespace vt
