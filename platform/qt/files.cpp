// Files and 8-bit text over POSIX. Writes go through a flush so that a rename over an old file
// never leaves a half-written one behind.
#include "platform/files.h"
#include "platform/testing.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>
#include <thread>

#include <QChar>

namespace vt {

std::string ExecutablePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(n));
}

std::string UserConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  return base + "/vellumtide/";
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MayReplaceFile(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  bool ownerMayReadAndWrite = (st.st_mode & S_IRUSR) && (st.st_mode & S_IWUSR);
  return ownerMayReadAndWrite && access(path.c_str(), R_OK | W_OK) == 0;
}

bool CopyFileMode(const std::string& from, const std::string& to) {
  struct stat st;
  return stat(from.c_str(), &st) == 0 && chmod(to.c_str(), st.st_mode & 07777) == 0;
}

bool FolderIsWritable(const std::string& folder) {
  std::string probe = folder + ".vellumtide-probe-" + std::to_string(getpid());
  int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return errno == EEXIST;
  close(fd);
  unlink(probe.c_str());
  return true;
}

bool MakeFolders(const std::string& folder) {
  std::string partial;
  for (size_t i = 0; i < folder.size(); ++i) {
    partial += folder[i];
    if (folder[i] == '/' && partial.size() > 1) mkdir(partial.c_str(), 0755);
  }
  mkdir(folder.c_str(), 0755);
  struct stat st;
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Opens a regular file for reading, or returns -1. A FIFO or a device never blocks the open
// (O_NONBLOCK) and is refused by the checks before and after it; a link is followed to what it names.
static int OpenRegularFileForReading(const std::string& path, struct stat& st) {
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // swapped for something else in between
    close(fd);
    return -1;
  }
  return fd;
}

// Makes fresh memory of megabytes and more ready for use; what it holds is overwritten. It is
// asked for in large pages, and from tens of megabytes on its pages are brought in by two threads
// at once (200 MB: half a second on a small machine at first use; a tenth of that in large pages,
// two thirds of it on two threads). Only the whole large pages inside the buffer are asked for, so
// no other memory is touched. In a buffer of 16 MB and more a byte of each page is written, which
// brings the page in: the second half on a helper thread.
static void PrepareLargeMemory(void* start, size_t bytes) {
  constexpr uintptr_t kLargePage = 2u << 20;
  constexpr size_t kLargeBuffer = 16u << 20, kPage = 4096;
  const uintptr_t first = (reinterpret_cast<uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(kLargePage - 1);
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
  if (bytes < kLargeBuffer) return;
  auto* memory = static_cast<volatile char*>(start);
  auto bringIn = [memory](size_t from, size_t to) {
    for (size_t at = from; at < to; at += kPage) memory[at] = 0;
  };
  std::thread helper(bringIn, bytes / 2, bytes);
  bringIn(0, bytes / 2);
  helper.join();
}

void ReserveLargeText(std::string& text, size_t size) {
  text.reserve(size);
  PrepareLargeMemory(text.data() + text.size(), text.capacity() - text.size());  // past what it holds
}

bool ReadFileStart(const std::string& path, std::string& bytes, size_t most) {
  struct stat st;
  int fd = OpenRegularFileForReading(path, st);
  if (fd < 0) return false;
  // The size at opening bounds the read: a file that keeps growing is read as it was then.
  const size_t limit = std::min(static_cast<size_t>(st.st_size), most);
  bytes.clear();
  ReserveLargeText(bytes, limit);
  char chunk[1 << 16];
  while (bytes.size() < limit) {
    ssize_t n = read(fd, chunk, std::min(sizeof chunk, limit - bytes.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

bool RegularFileSize(const std::string& path, uint64_t& size) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool ReadFilePart(const std::string& path, uint64_t offset, std::string& bytes, size_t most) {
  struct stat st;
  int fd = OpenRegularFileForReading(path, st);
  if (fd < 0) return false;
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  const size_t limit = offset >= size ? 0 : static_cast<size_t>(std::min<uint64_t>(size - offset, most));
  bytes.assign(limit, '\0');
  size_t done = 0;
  while (done < limit) {
    ssize_t n = pread(fd, bytes.data() + done, limit - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  bytes.resize(done);
  return true;
}

EntryKind KindOfEntry(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? EntryKind::None : EntryKind::Other;
  if (S_ISLNK(st.st_mode)) return EntryKind::Link;
  if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
  return S_ISREG(st.st_mode) ? EntryKind::RegularFile : EntryKind::Other;
}

// The system's own bound on the links it follows in one path (SYMLOOP_MAX on Linux).
constexpr int kMostLinksFollowed = 40;

// The text of the link at path, or "" when it is no link.
static std::string LinkText(const std::string& path) {
  std::string text(4096, '\0');
  ssize_t n = readlink(path.c_str(), text.data(), text.size());
  if (n <= 0 || static_cast<size_t>(n) >= text.size()) return std::string();
  text.resize(static_cast<size_t>(n));
  return text;
}

std::string FinalLinkTarget(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMostLinksFollowed; ++hop) {
    std::string link = LinkText(current);
    if (link.empty()) return current;
    size_t slash = current.rfind('/');
    current = link[0] == '/' || slash == std::string::npos ? link : current.substr(0, slash + 1) + link;
  }
  return path;  // a loop of links: the name itself is replaced, as with no link
}

CreateResult CreateFileDurably(const std::string& path, const std::string& bytes) {
  // O_EXCL never opens what is there, O_NOFOLLOW never a link, O_NONBLOCK never waits on anything.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return errno == EEXIST ? CreateResult::NameTaken : CreateResult::Failed;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  bool ok = done == bytes.size() && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok) unlink(path.c_str());
  return ok ? CreateResult::Written : CreateResult::Failed;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool MakeExecutable(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode |= (mode & 0444) >> 2;  // r--r--r-- gives --x--x--x
  return chmod(path.c_str(), mode) == 0;
}

static void AppendAnyUtf8(std::string& out, char32_t code) {
  if (code < 0x10000) return AppendUtf8(out, code);
  out += static_cast<char>(0xF0 | (code >> 18));
  out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
  out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (code & 0x3F));
}

static char AsciiCase(char c, bool upper) {
  if (upper && c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (!upper && c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

static bool HasOtherCase(char32_t code, bool upper) {
  return (upper ? QChar::toUpper(code) : QChar::toLower(code)) != code;
}

// The UTF-8 bytes of the other case of the valid sequence of `length` bytes at s[i].
static std::string OtherCase(const std::string& s, size_t i, size_t length, bool upper) {
  char32_t code = DecodeUtf8(s, i, length);
  char32_t mapped = upper ? QChar::toUpper(code) : QChar::toLower(code);
  if ((mapped >= 0x10000) != (code >= 0x10000)) mapped = code;  // it would take another number of positions
  std::string bytes;
  AppendAnyUtf8(bytes, mapped);
  return bytes;
}

// The other case of every character of two UTF-8 bytes (U+0080 to U+07FF: the accented Latin
// letters, Greek, Cyrillic ...), made once: most letters of a book beyond ASCII are of these, and a
// look-up in a table costs a fraction of asking for each mapping (a book of 200 MB of such letters
// took seconds). 0 marks a mapping that leaves the two-byte range.
struct TwoByteCases {
  char16_t upper[0x800], lower[0x800];
};

static const TwoByteCases& TwoByteCaseTable() {
  static const TwoByteCases table = [] {
    TwoByteCases t{};
    for (char16_t c = 0x80; c < 0x800; ++c) {
      const char32_t up = QChar::toUpper(char32_t{c}), low = QChar::toLower(char32_t{c});
      t.upper[c] = up >= 0x80 && up < 0x800 ? static_cast<char16_t>(up) : 0;
      t.lower[c] = low >= 0x80 && low < 0x800 ? static_cast<char16_t>(low) : 0;
    }
    return t;
  }();
  return table;
}

// The other case of a valid two-byte character at s[i] by the table, or 0 (not two bytes, or no
// mapping of two bytes).
static char16_t TwoByteOtherCase(const std::string& s, size_t i, const char16_t* table) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (lead < 0xC2 || lead > 0xDF || i + 1 >= s.size() || (static_cast<unsigned char>(s[i + 1]) & 0xC0) != 0x80) return 0;
  return table[((lead & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F)];
}

void ChangeLetterCase(std::string& utf8, bool upper) {
  std::string out;  // used once a mapped character needs another number of bytes
  bool rebuilt = false;
  const char16_t* table = upper ? TwoByteCaseTable().upper : TwoByteCaseTable().lower;
  for (size_t i = 0; i < utf8.size();) {
    if (char16_t mapped = (utf8[i] & 0x80) ? TwoByteOtherCase(utf8, i, table) : 0) {
      const char bytes[2] = {static_cast<char>(0xC0 | (mapped >> 6)), static_cast<char>(0x80 | (mapped & 0x3F))};
      if (rebuilt) {
        out.append(bytes, 2);
      } else {
        utf8[i] = bytes[0];
        utf8[i + 1] = bytes[1];
      }
      i += 2;
      continue;
    }
    if (!(utf8[i] & 0x80)) {
      char c = AsciiCase(utf8[i++], upper);
      if (rebuilt)
        out += c;
      else
        utf8[i - 1] = c;
      continue;
    }
    size_t length = Utf8SequenceLength(utf8, i);
    if (length > 1 && !rebuilt && !HasOtherCase(DecodeUtf8(utf8, i, length), upper)) {
      i += length;  // most characters beyond ASCII are no letters of the other case: nothing to write
      continue;
    }
    std::string bytes = length > 1 ? OtherCase(utf8, i, length, upper) : std::string(1, utf8[i]);
    if (length == 0) length = 1;  // a stray byte stays as it is
    if (!rebuilt && bytes.size() != length) {
      out.assign(utf8, 0, i);
      rebuilt = true;
    }
    if (rebuilt)
      out += bytes;
    else
      utf8.replace(i, length, bytes);
    i += length;
  }
  if (rebuilt) utf8.swap(out);
}

}  // namespace vt
