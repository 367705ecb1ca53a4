// The parts of the file and text routines that need nothing of the system: the program's folder
// worked out from the path of the running program (which each back end finds its own way), and
// 8-bit text as UTF-8. Both back ends build this file, so they read, cut and fold text alike.
#include "platform/files.h"
#include "platform/testing.h"

#include <cstdint>
#include <string_view>

namespace vt {

static std::string programFolderOverride;  // set by tests; empty: the running program's folder

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

// Tries to take a temporary name: a name taken again between its removal and the exclusive create
// is someone else's doing, and a few rounds of that are enough to give up rather than loop.
constexpr int kCreateAttempts = 3;

bool WriteFileDurably(const std::string& path, const std::string& bytes) {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    EntryKind kind = KindOfEntry(path);
    if (kind == EntryKind::Folder) return false;
    // Removing the name of a FIFO, a device or a link touches neither the pipe nor what a link names.
    if (kind != EntryKind::None && !DeleteFile(path)) return false;
    CreateResult result = CreateFileDurably(path, bytes);
    if (result != CreateResult::NameTaken) return result == CreateResult::Written;
  }
  return false;
}

bool ReplaceFileDurably(const std::string& path, const std::string& bytes, const std::string& temporarySuffix) {
  // The temporary file sits beside the real file, so the rename stays on its file system and
  // a link to the file (a dotfile kept in a repository) stays a link.
  std::string target = FinalLinkTarget(path);
  std::string temporary = target + temporarySuffix;
  if (!WriteFileDurably(temporary, bytes)) return false;
  if (IsRegularFile(target)) CopyFileMode(target, temporary);
  if (RenameFile(temporary, target)) return true;
  DeleteFile(temporary);
  return false;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) { return ReadFileStart(path, bytes, SIZE_MAX); }

#ifdef _WIN32
const char* const ProgramFileName = "vellumtide.exe";
#else
const char* const ProgramFileName = "vellumtide";
#endif

std::string ProgramBaseName() {
  std::string path = ExecutablePath();
  std::string name = path.substr(path.rfind('/') + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// Valid means well-formed: no overlong form, no encoded surrogate, nothing past U+10FFFF.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t length = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >> 4) == 0xE ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
  if (length == 0 || i + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return 0;
  unsigned char second = length > 1 ? static_cast<unsigned char>(s[i + 1]) : 0;
  if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
      (c == 0xF4 && second > 0x8F))
    return 0;
  return length;
}

char32_t DecodeUtf8(std::string_view s, size_t i, size_t length) {
  auto c = static_cast<unsigned char>(s[i]);
  char32_t code = length == 1 ? c : c & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  return code;
}

static bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = Utf8SequenceLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

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

// Windows-1252 code points of the bytes 0x80 ... 0x9F (0 where the code page has no character).
static const unsigned short kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string BytesToUtf8(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char c : bytes) {
    unsigned code = c;
    if (c >= 0x80 && c < 0xA0) code = kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD;
    AppendUtf8(out, code);
  }
  return out;
}

std::string CutToUtf16Units(const std::string& utf8, std::size_t units) {
  size_t used = 0;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = Utf8SequenceLength(utf8, i);
    if (n == 0) n = 1;
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
    } else if (c == 0xC3 && i + 1 < lower.size()) {
      unsigned char next = static_cast<unsigned char>(lower[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) lower[i + 1] = static_cast<char>(next + 0x20);
      ++i;
    }
  }
  return lower;
}

}  // namespace vt
