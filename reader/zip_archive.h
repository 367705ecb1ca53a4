// The ZIP archives that EPUB, Word and OpenDocument books are: the central directory read from the
// archive's end, and single entries looked up by name and inflated into memory. Nothing is ever
// written to disk, so a name in the archive ("../../x") is only ever a key to look up.
// The archive is read through a callback, from a file's bytes in memory or from ranges of a file on
// disk (to tell a file's format without reading it whole). Pure code, safe on any thread; an
// archive is used by one thread at a time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vt {

// More entries than this is no book but a directory built to exhaust memory: an EPUB of the Bible
// in one document per chapter has about 1,200.
constexpr size_t LargestZipEntryCount = 20000;
// One document of a book, inflated: the whole Bible is 4.4 MB, so a chapter beyond this is a bomb.
constexpr uint64_t LargestZipEntry = 64u << 20;
// Everything inflated from one archive: the largest book the reader shows.
constexpr uint64_t LargestZipTotal = 256u << 20;
// Deflated text shrinks 3 to 10 times; far beyond that an entry is a bomb of repeated bytes. Small
// entries are let through whatever their ratio (a page of blanks), since they cost nothing.
constexpr uint64_t LargestZipRatio = 100;
constexpr uint64_t SmallestRatioChecked = 1u << 20;
// The central directory's own size: 20,000 entries with long names fit easily.
constexpr uint64_t LargestZipDirectory = 16u << 20;

enum class ZipStatus { Ok, NotZip, Damaged, TooLarge, Unsupported, Encrypted, Missing };

struct ZipEntry {
  std::string name;
  uint64_t compressedSize = 0, size = 0, localHeader = 0;
  uint32_t crc = 0;
  uint16_t method = 0, flags = 0;
};

// Returns `length` bytes at `offset` of the archive (a view into memory, or into `buffer`); an
// empty view for a range past the end or a failed read.
using ZipReadAt = std::function<std::string_view(uint64_t offset, size_t length, std::string& buffer)>;

struct ZipArchive {
  ZipReadAt readAt;
  uint64_t size = 0;
  std::vector<ZipEntry> entries;
  std::unordered_map<std::string, size_t> byName;  // the first entry of each name
  uint64_t inflated = 0;  // bytes inflated so far, against LargestZipTotal
};

// An archive over bytes in memory; they must outlive it.
ZipReadAt ZipBytes(const std::string& bytes);

// True when the bytes begin as a ZIP archive does (a local entry, or an empty archive's end).
bool LooksLikeZip(std::string_view start);

// Reads the central directory (ZIP64 included) of an archive of `size` bytes.
ZipStatus OpenZipArchive(ZipReadAt readAt, uint64_t size, ZipArchive& archive);

// The entry of that exact name, or nullptr.
const ZipEntry* FindZipEntry(const ZipArchive& archive, std::string_view name);

// The entry's bytes, stored or deflated, with its size and CRC checked; any other method,
// encryption or a size over the caps is refused before anything is inflated.
ZipStatus ReadZipEntry(ZipArchive& archive, const ZipEntry& entry, std::string& out);

// Reads the entry called `name` when there is one (Missing otherwise).
ZipStatus ReadZipEntry(ZipArchive& archive, std::string_view name, std::string& out);

}  // namespace vt
