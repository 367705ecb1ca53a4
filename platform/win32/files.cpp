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

std::string programFolderOverride;  // set by tests; empty: the running program's folder

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

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return PortablePath(buffer.substr(0, n));
    buffer.resize(buffer.size() * 2);  // cut short: the path is longer than the buffer
  }
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

// Length of the UTF-8 sequence that starts at s[i], or 0 when it is not a valid one.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (length == 0 || i + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return 0;
  return length;
}

bool IsValidUtf8(const std::string& bytes) {
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                             nullptr, 0) > 0;
}

}  // namespace

void SetProgramFolderForTesting(const std::string& folder) {
  programFolderOverride = folder;
  if (!folder.empty() && folder.back() != '/') programFolderOverride += '/';
}

std::string ProgramFolder() {
  if (!programFolderOverride.empty()) return programFolderOverride;
  std::string path = ExecutablePath();
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string ProgramBaseName() {
  std::string path = ExecutablePath();
  std::string name = path.substr(path.rfind('/') + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
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

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  HANDLE file = OpenDiskFile(path, GENERIC_READ);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) < bytes.max_size() &&
            ReadUpTo(file, static_cast<size_t>(size.QuadPart), bytes);
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok;
}

bool WriteFileDurably(const std::string& path, const std::string& bytes) {
  std::wstring native = NativePath(path);
  HANDLE file = CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  if (!ok) DeleteFileW(native.c_str());
  return ok;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool DeleteFile(const std::string& path) { return DeleteFileW(NativePath(path).c_str()) != 0; }

// Windows runs any program file its reader may open; there is no execute bit to set.
bool MakeExecutable(const std::string& path) { return IsRegularFile(path); }

void AppendUtf8(std::string& out, uint32_t code) {
  if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;  // a lone surrogate cannot be shown
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string BytesToUtf8(const std::string& bytes) {
  if (bytes.empty() || IsValidUtf8(bytes)) return bytes;
  int length = static_cast<int>(bytes.size());
  std::wstring wide(bytes.size(), L'\0');
  int units = MultiByteToWideChar(1252, 0, bytes.data(), length, wide.data(), length);
  wide.resize(static_cast<size_t>(std::max(units, 0)));
  // The five bytes that Windows-1252 leaves undefined come out as C1 controls: shown as U+FFFD.
  for (wchar_t& c : wide)
    if (c >= 0x80 && c < 0xA0) c = 0xFFFD;
  return WideToUtf8(wide);
}

std::string CutToUtf16Units(const std::string& utf8, std::size_t units) {
  size_t used = 0;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = std::max<size_t>(Utf8SequenceLength(utf8, i), 1);
    size_t cost = n == 4 ? 2 : 1;
    if (used + cost > units) return utf8.substr(0, i);
    used += cost;
    i += n;
  }
  return utf8;
}

std::string LowerCase(const std::string& utf8) {
  std::string lower = utf8;
  for (size_t i = 0; i < lower.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(lower[i]);
    if (c >= 'A' && c <= 'Z') {
      lower[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < lower.size()) {  // U+00C0 ... U+00DE but the multiplication sign
      unsigned char next = static_cast<unsigned char>(lower[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) lower[i + 1] = static_cast<char>(next + 0x20);
      ++i;
    }
  }
  return lower;
}

}  // namespace vt
