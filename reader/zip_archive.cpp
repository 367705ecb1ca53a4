// Reading ZIP archives: the end record is searched in the archive's last 64 kB, the central
// directory (ZIP64 where the sizes call for it) gives every entry, and an entry is read from its
// local header. Every size the archive claims is checked against the archive's own size and the
// caps in the header before memory is taken for it, and an entry that inflates to other than its
// claimed size or CRC is damaged: a bomb can claim little and inflate much, so inflating stops at
// the claimed size. Holds no state of its own; zlib does the inflating.
#include "reader/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace vt {

namespace {

constexpr size_t kEndRecordSize = 22, kMaxCommentSize = 65535;
constexpr size_t kZip64LocatorSize = 20, kZip64EndSize = 56;
constexpr size_t kDirectoryEntrySize = 46, kLocalHeaderSize = 30;
constexpr uint16_t kMethodStored = 0, kMethodDeflate = 8;
constexpr uint16_t kFlagEncrypted = 1;

uint16_t Le16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | static_cast<uint32_t>(Le16(b, at + 2)) << 16; }
uint64_t Le64(std::string_view b, size_t at) { return Le32(b, at) | static_cast<uint64_t>(Le32(b, at + 4)) << 32; }

bool Fits(uint64_t offset, uint64_t length, uint64_t size) { return offset <= size && length <= size - offset; }

std::string_view ReadRange(const ZipArchive& archive, uint64_t offset, uint64_t length, std::string& buffer) {
  if (!Fits(offset, length, archive.size)) return {};
  return archive.readAt(offset, static_cast<size_t>(length), buffer);
}

// Where the central directory lies and how many entries it holds.
struct Directory {
  uint64_t offset = 0, size = 0, count = 0;
};

// The ZIP64 end record that the locator just before the ordinary end record points to.
ZipStatus ReadZip64End(const ZipArchive& archive, uint64_t endRecord, Directory& directory) {
  std::string buffer, buffer2;
  if (endRecord < kZip64LocatorSize) return ZipStatus::Damaged;
  std::string_view locator = ReadRange(archive, endRecord - kZip64LocatorSize, kZip64LocatorSize, buffer);
  if (locator.size() != kZip64LocatorSize || locator.substr(0, 4) != "PK\x06\x07") return ZipStatus::Damaged;
  std::string_view end = ReadRange(archive, Le64(locator, 8), kZip64EndSize, buffer2);
  if (end.size() != kZip64EndSize || end.substr(0, 4) != "PK\x06\x06") return ZipStatus::Damaged;
  directory = {Le64(end, 48), Le64(end, 40), Le64(end, 32)};
  return ZipStatus::Ok;
}

ZipStatus FindDirectory(const ZipArchive& archive, Directory& directory) {
  if (archive.size < kEndRecordSize) return ZipStatus::NotZip;
  const uint64_t tailSize = std::min<uint64_t>(archive.size, kEndRecordSize + kMaxCommentSize);
  std::string buffer;
  std::string_view tail = ReadRange(archive, archive.size - tailSize, tailSize, buffer);
  if (tail.size() != tailSize) return ZipStatus::Damaged;
  for (size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
    if (tail.compare(at, 4, "PK\x05\x06") != 0) continue;
    const uint64_t endRecord = archive.size - tailSize + at;
    directory = {Le32(tail, at + 16), Le32(tail, at + 12), Le16(tail, at + 10)};
    if (directory.offset == 0xFFFFFFFF || directory.size == 0xFFFFFFFF || directory.count == 0xFFFF)
      return ReadZip64End(archive, endRecord, directory);
    return ZipStatus::Ok;
  }
  return ZipStatus::NotZip;
}

// The 64-bit values of the ZIP64 extra field, for the fields whose 32-bit value is all ones.
bool ApplyZip64Extra(std::string_view extra, ZipEntry& entry, bool bigSize, bool bigCompressed, bool bigOffset) {
  for (size_t at = 0; at + 4 <= extra.size();) {
    const uint16_t id = Le16(extra, at), length = Le16(extra, at + 2);
    if (at + 4 + length > extra.size()) return false;
    if (id == 1) {
      std::string_view field = extra.substr(at + 4, length);
      size_t read = 0;
      auto next = [&](uint64_t& value) {
        if (read + 8 > field.size()) return false;
        value = Le64(field, read);
        read += 8;
        return true;
      };
      return (!bigSize || next(entry.size)) && (!bigCompressed || next(entry.compressedSize)) &&
             (!bigOffset || next(entry.localHeader));
    }
    at += 4 + length;
  }
  return !bigSize && !bigCompressed && !bigOffset;
}

// Reads one central directory record at `at`; returns its length, or 0 when it is damaged.
size_t ReadDirectoryEntry(std::string_view records, size_t at, ZipEntry& entry) {
  if (at + kDirectoryEntrySize > records.size() || records.compare(at, 4, "PK\x01\x02") != 0) return 0;
  const size_t nameLength = Le16(records, at + 28), extraLength = Le16(records, at + 30),
               commentLength = Le16(records, at + 32);
  const size_t length = kDirectoryEntrySize + nameLength + extraLength + commentLength;
  if (at + length > records.size()) return 0;
  entry.flags = Le16(records, at + 8);
  entry.method = Le16(records, at + 10);
  entry.crc = Le32(records, at + 16);
  entry.compressedSize = Le32(records, at + 20);
  entry.size = Le32(records, at + 24);
  entry.localHeader = Le32(records, at + 42);
  entry.name.assign(records.substr(at + kDirectoryEntrySize, nameLength));
  std::string_view extra = records.substr(at + kDirectoryEntrySize + nameLength, extraLength);
  if (!ApplyZip64Extra(extra, entry, entry.size == 0xFFFFFFFF, entry.compressedSize == 0xFFFFFFFF,
                       entry.localHeader == 0xFFFFFFFF))
    return 0;
  return length;
}

// Inflates raw deflate data into exactly `size` bytes; false when it ends early, runs past that
// size or is no valid deflate stream.
bool Inflate(std::string_view data, uint64_t size, std::string& out) {
  out.assign(static_cast<size_t>(size) + 1, '\0');  // one byte more, to catch a stream that runs past
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  int result = inflate(&stream, Z_FINISH);
  const bool whole = result == Z_STREAM_END && stream.total_out == size;
  inflateEnd(&stream);
  out.resize(static_cast<size_t>(size));
  return whole;
}

// Refuses, from the sizes the directory claims, what must not be inflated.
ZipStatus CheckEntry(const ZipArchive& archive, const ZipEntry& entry) {
  if (entry.flags & kFlagEncrypted) return ZipStatus::Encrypted;
  if (entry.method != kMethodStored && entry.method != kMethodDeflate) return ZipStatus::Unsupported;
  if (entry.size > LargestZipEntry || entry.size > LargestZipTotal - archive.inflated) return ZipStatus::TooLarge;
  if (entry.size >= SmallestRatioChecked && entry.size / std::max<uint64_t>(entry.compressedSize, 1) > LargestZipRatio)
    return ZipStatus::TooLarge;
  if (entry.method == kMethodStored && entry.size != entry.compressedSize) return ZipStatus::Damaged;
  // Deflate never grows data by more than its block headers (5 bytes a block of up to 64 kB): an
  // entry whose compressed form is far larger than its content is damaged, and is not read.
  if (entry.compressedSize > entry.size + entry.size / 256 + 1024) return ZipStatus::Damaged;
  return ZipStatus::Ok;
}

}  // namespace

ZipReadAt ZipBytes(const std::string& bytes) {
  return [&bytes](uint64_t offset, size_t length, std::string&) -> std::string_view {
    if (offset > bytes.size() || length > bytes.size() - offset) return {};
    return std::string_view(bytes).substr(static_cast<size_t>(offset), length);
  };
}

bool LooksLikeZip(std::string_view start) { return start.starts_with("PK\x03\x04") || start.starts_with("PK\x05\x06"); }

ZipStatus OpenZipArchive(ZipReadAt readAt, uint64_t size, ZipArchive& archive) {
  archive = ZipArchive{std::move(readAt), size, {}, {}, 0};
  Directory directory;
  if (ZipStatus found = FindDirectory(archive, directory); found != ZipStatus::Ok) return found;
  if (directory.count > LargestZipEntryCount || directory.size > LargestZipDirectory) return ZipStatus::TooLarge;
  if (directory.count * kDirectoryEntrySize > directory.size) return ZipStatus::Damaged;
  std::string buffer;
  std::string_view records = ReadRange(archive, directory.offset, directory.size, buffer);
  if (records.size() != directory.size) return ZipStatus::Damaged;
  archive.entries.resize(static_cast<size_t>(directory.count));
  size_t at = 0;
  for (size_t index = 0; index < archive.entries.size(); ++index) {
    const size_t length = ReadDirectoryEntry(records, at, archive.entries[index]);
    if (length == 0) return ZipStatus::Damaged;
    at += length;
    archive.byName.emplace(archive.entries[index].name, index);
  }
  return ZipStatus::Ok;
}

const ZipEntry* FindZipEntry(const ZipArchive& archive, std::string_view name) {
  auto found = archive.byName.find(std::string(name));
  return found == archive.byName.end() ? nullptr : &archive.entries[found->second];
}

ZipStatus ReadZipEntry(ZipArchive& archive, const ZipEntry& entry, std::string& out) {
  out.clear();
  if (ZipStatus checked = CheckEntry(archive, entry); checked != ZipStatus::Ok) return checked;
  std::string headerBuffer, dataBuffer;
  std::string_view header = ReadRange(archive, entry.localHeader, kLocalHeaderSize, headerBuffer);
  if (header.size() != kLocalHeaderSize || header.substr(0, 4) != "PK\x03\x04") return ZipStatus::Damaged;
  const uint64_t dataStart = entry.localHeader + kLocalHeaderSize + Le16(header, 26) + Le16(header, 28);
  std::string_view data = ReadRange(archive, dataStart, entry.compressedSize, dataBuffer);
  if (data.size() != entry.compressedSize) return ZipStatus::Damaged;
  if (entry.method == kMethodStored)
    out.assign(data);
  else if (!Inflate(data, entry.size, out))
    return out.clear(), ZipStatus::Damaged;
  archive.inflated += entry.size;
  const uLong crc = crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(out.data()), out.size());
  if (crc != entry.crc) return out.clear(), ZipStatus::Damaged;
  return ZipStatus::Ok;
}

ZipStatus ReadZipEntry(ZipArchive& archive, std::string_view name, std::string& out) {
  const ZipEntry* entry = FindZipEntry(archive, name);
  if (!entry) return out.clear(), ZipStatus::Missing;
  return ReadZipEntry(archive, *entry, out);
}

}  // namespace vt
