// Files and 8-bit text over the Win32 API. The program writes paths in UTF-8 with '/' between
// folders, as it does on Linux; each call here turns a path into UTF-16 with '\' and, when it is
// long, the "\\?\" prefix, so that no path is cut at MAX_PATH. Writes are flushed to the disk
// before they count, so that a rename over an old file never leaves a half-written one behind.
// Everything here runs on the calling thread; the only state is the tests' program folder.
#include "platform/files.h"
#include "platform/testing.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string_view>

#include "platform/win32/wide_text.h"

#undef DeleteFile  // the program's own function, not the API's macro

namespace vt {

namespace {

constexpr size_t kLongPathUnits = 240;  // CreateDirectoryW already fails near MAX_PATH - 12
constexpr DWORD kChunkBytes = 1 << 20;  // one read or write call moves at most this much
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A path made absolute, "." and ".." resolved (the "\\?\" form takes them literally).
std::wstring FullPath(const std::wstring& path) {
  DWORD units = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(units, L'\0');
  units = GetFullPathNameW(path.c_str(), units, full.data(), nullptr);
  if (units == 0 || units >= full.size()) return path;
  full.resize(units);
  return full;
}

// The path as the API takes it: '\' between folders, and a long path gets the prefix that lifts
// the MAX_PATH limit ("C:\..." as "\\?\C:\...", "\\server\..." as "\\?\UNC\server\...").
std::wstring NativePath(const std::string& path) {
  std::wstring wide = Utf8ToWide(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  if (wide.size() < kLongPathUnits || wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\")) return wide;
  wide = FullPath(wide);
  if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
  if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  return wide;
}

// A path from the API in the program's form: UTF-8, '/' between folders, no "\\?\" prefix.
std::string PortablePath(std::wstring wide) {
  if (wide.starts_with(L"\\\\?\\UNC\\")) wide = L"\\\\" + wide.substr(8);
  else if (wide.starts_with(L"\\\\?\\")) wide = wide.substr(4);
  std::replace(wide.begin(), wide.end(), L'\\', L'/');
  return WideToUtf8(wide);
}

// The handle of an existing file on a disk, opened for `access`; INVALID_HANDLE_VALUE for a
// folder, a device ("NUL", "COM1"), a pipe or a file that cannot be opened.
HANDLE OpenDiskFile(const std::string& path, DWORD access) {
  HANDLE file = CreateFileW(NativePath(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  BY_HANDLE_FILE_INFORMATION info;
  bool regular = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
                 !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  if (regular) return file;
  CloseHandle(file);
  return INVALID_HANDLE_VALUE;
}

bool IsFolder(const std::string& folder) {
  DWORD attributes = GetFileAttributesW(NativePath(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kChunkBytes));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// Reads at most `limit` bytes: a file that grows while it is read is taken as it was when opened.
bool ReadUpTo(HANDLE file, size_t limit, std::string& bytes) {
  bytes.clear();
  bytes.reserve(limit);
  std::string chunk(kChunkBytes, '\0');
  while (bytes.size() < limit) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(limit - bytes.size(), kChunkBytes));
    DWORD got = 0;
    if (!ReadFile(file, chunk.data(), want, &got, nullptr)) return false;
    if (got == 0) break;
    bytes.append(chunk, 0, got);
  }
  return true;
}

}  // namespace

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return PortablePath(buffer.substr(0, n));
    buffer.resize(buffer.size() * 2);  // cut short: the path is longer than the buffer
  }
}

std::string UserConfigFolder() {
  PWSTR roaming = nullptr;
  std::string base;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &roaming)))
    base = PortablePath(roaming);
  CoTaskMemFree(roaming);
  if (base.empty()) {  // no profile folder (a service account): the temporary folder still takes files
    wchar_t temporary[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temporary);
    base = PortablePath(std::wstring(temporary, n > MAX_PATH ? 0 : n));
  }
  if (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/Vellumtide/";
}

bool IsRegularFile(const std::string& path) {
  HANDLE file = OpenDiskFile(path, 0);  // no access asked: only what the file is
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool FolderIsWritable(const std::string& folder) {
  std::string probe = folder + ".vellumtide-probe-" + std::to_string(GetCurrentProcessId());
  HANDLE file = CreateFileW(NativePath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  CloseHandle(file);  // deletes the probe
  return true;
}

bool MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
    CreateDirectoryW(NativePath(folder.substr(0, slash)).c_str(), nullptr);  // "C:" and existing ones fail harmlessly
  CreateDirectoryW(NativePath(folder).c_str(), nullptr);
  return IsFolder(folder);
}

// Large pages need a privilege a reader does not have: the system's own pages serve as they come.
void ReserveLargeText(std::string& text, size_t size) { text.reserve(size); }

bool ReadFileStart(const std::string& path, std::string& bytes, size_t most) {
  HANDLE file = OpenDiskFile(path, GENERIC_READ);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) < bytes.max_size() &&
            ReadUpTo(file, std::min(static_cast<size_t>(size.QuadPart), most), bytes);
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok;
}

bool RegularFileSize(const std::string& path, uint64_t& size) {
  HANDLE file = OpenDiskFile(path, 0);  // no access asked: only what the file is
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length;
  const bool ok = GetFileSizeEx(file, &length);
  CloseHandle(file);
  size = ok ? static_cast<uint64_t>(length.QuadPart) : 0;
  return ok;
}

bool ReadFilePart(const std::string& path, uint64_t offset, std::string& bytes, size_t most) {
  HANDLE file = OpenDiskFile(path, GENERIC_READ);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size, start;
  start.QuadPart = static_cast<LONGLONG>(offset);
  bool ok = GetFileSizeEx(file, &size) && SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
  const uint64_t total = ok ? static_cast<uint64_t>(size.QuadPart) : 0;
  ok = ok && ReadUpTo(file, offset >= total ? 0 : static_cast<size_t>(std::min<uint64_t>(total - offset, most)), bytes);
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok;
}

EntryKind KindOfEntry(const std::string& path) {
  DWORD attributes = GetFileAttributesW(NativePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::None : EntryKind::Other;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::Link;
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? EntryKind::Folder : EntryKind::RegularFile;
}

// The system follows the whole chain of links when it opens a file; the handle then tells the
// final path. A link to nothing yet cannot be opened, and its own name is used.
std::string FinalLinkTarget(const std::string& path) {
  if (KindOfEntry(path) != EntryKind::Link) return path;
  HANDLE file = CreateFileW(NativePath(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  std::wstring final(32768, L'\0');
  DWORD units = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
  CloseHandle(file);
  if (units == 0 || units >= final.size()) return path;
  final.resize(units);
  return PortablePath(final);
}

CreateResult CreateFileDurably(const std::string& path, const std::string& bytes) {
  // CREATE_NEW never opens what is there, a link included.
  std::wstring native = NativePath(path);
  HANDLE file = CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_FILE_EXISTS ? CreateResult::NameTaken : CreateResult::Failed;
  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  if (!ok) DeleteFileW(native.c_str());
  return ok ? CreateResult::Written : CreateResult::Failed;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool DeleteFile(const std::string& path) { return DeleteFileW(NativePath(path).c_str()) != 0; }

// Windows runs any program file its reader may open; there is no execute bit to set.
bool MayReplaceFile(const std::string& path) {
  DWORD attributes = GetFileAttributesW(NativePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
  HANDLE file = OpenDiskFile(path, GENERIC_READ | GENERIC_WRITE);  // the system's own check, tried
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// A file's permissions here are its access list, which a rename keeps with the replacing file's
// folder defaults; the one attribute that matters, read-only, a replaced settings file never has.
bool CopyFileMode(const std::string& from, const std::string& to) { return IsRegularFile(from) && IsRegularFile(to); }

bool MakeExecutable(const std::string& path) { return IsRegularFile(path); }

// CharUpperBuffW and CharLowerBuffW map each UTF-16 unit to one unit, and the pane counts its
// positions in those units, so no character position moves.
// Maps a run of valid UTF-8 through the system's one-for-one case tables.
// The system's letters of the other case, with the rules of language (the Kelvin sign's small
// letter is k, capital sharp s's is sharp s); each character stays one character.
static std::string OtherCaseRun(const std::string& run, bool upper) {
  std::wstring wide = Utf8ToWide(run);
  if (wide.empty()) return run;
  const int units = static_cast<int>(wide.size());
  std::wstring cased(wide.size(), L'\0');
  const DWORD how = (upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE) | LCMAP_LINGUISTIC_CASING;
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, how, wide.data(), units, cased.data(), units, nullptr, nullptr, 0) == units)
    return WideToUtf8(cased);
  if (upper)
    CharUpperBuffW(wide.data(), static_cast<DWORD>(units));
  else
    CharLowerBuffW(wide.data(), static_cast<DWORD>(units));
  return WideToUtf8(wide);
}

void ChangeLetterCase(std::string& utf8, bool upper) {
  std::string out;
  out.reserve(utf8.size());
  size_t runStart = 0;  // the valid text not yet mapped starts here
  for (size_t i = 0; i < utf8.size();) {
    size_t length = Utf8SequenceLength(utf8, i);
    if (length > 0) {
      i += length;
      continue;
    }
    // A stray byte stays as it is: the text on either side of it is mapped on its own.
    out += OtherCaseRun(utf8.substr(runStart, i - runStart), upper);
    out += utf8[i++];
    runStart = i;
  }
  out += OtherCaseRun(utf8.substr(runStart), upper);
  utf8.swap(out);
}

}  // namespace vt
