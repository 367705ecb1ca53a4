// A small ZIP writer for tests: honest archives, and hostile ones whose directory lies (sizes,
// CRCs, flags, methods) or that use the ZIP64 records.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt_test {

struct ZipItem {
  std::string name, data;
  uint16_t method = 8;                    // 0 stored, 8 deflate, anything else as written
  uint16_t flags = 0;                     // 1: encrypted
  std::optional<uint64_t> claimedSize = std::nullopt;  // the uncompressed size the directory claims
  uint32_t crcChange = 0;                 // added to the real CRC
};

inline void PutLe(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(i < 8 ? (value >> (8 * i)) & 0xFF : 0);
}

inline std::string RawDeflate(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// The archive of the items; with `zip64` every size and offset goes through the ZIP64 records.
inline std::string MakeZip(const std::vector<ZipItem>& items, bool zip64 = false) {
  std::string out, directory;
  for (const ZipItem& item : items) {
    const std::string stored = item.method == 8 ? RawDeflate(item.data) : item.data;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(item.data.data()),
                                                     static_cast<uInt>(item.data.size()))) + item.crcChange;
    const uint64_t size = item.claimedSize.value_or(item.data.size()), offset = out.size();
    auto header = [&](std::string& to, bool central) {
      to += central ? "PK\x01\x02" : "PK\x03\x04";
      if (central) PutLe(to, 45, 2);
      PutLe(to, 45, 2);
      PutLe(to, item.flags, 2);
      PutLe(to, item.method, 2);
      PutLe(to, 0, 4);  // time and date
      PutLe(to, crc, 4);
      PutLe(to, zip64 ? 0xFFFFFFFF : stored.size(), 4);
      PutLe(to, zip64 ? 0xFFFFFFFF : size, 4);
      PutLe(to, item.name.size(), 2);
      PutLe(to, zip64 ? (central ? 28 : 20) : 0, 2);
      if (central) {
        PutLe(to, 0, 2 + 2 + 2 + 4);  // comment, disk, attributes
        PutLe(to, zip64 ? 0xFFFFFFFF : offset, 4);
      }
      to += item.name;
      if (!zip64) return;
      PutLe(to, 1, 2);
      PutLe(to, central ? 24 : 16, 2);
      PutLe(to, size, 8);
      PutLe(to, stored.size(), 8);
      if (central) PutLe(to, offset, 8);
    };
    header(out, false);
    out += stored;
    header(directory, true);
  }
  const uint64_t directoryOffset = out.size();
  out += directory;
  if (zip64) {
    const uint64_t end64 = out.size();
    out += "PK\x06\x06";
    PutLe(out, 44, 8);
    PutLe(out, 45, 2);
    PutLe(out, 45, 2);
    PutLe(out, 0, 8);
    PutLe(out, items.size(), 8);
    PutLe(out, items.size(), 8);
    PutLe(out, directory.size(), 8);
    PutLe(out, directoryOffset, 8);
    out += "PK\x06\x07";
    PutLe(out, 0, 4);
    PutLe(out, end64, 8);
    PutLe(out, 1, 4);
  }
  out += "PK\x05\x06";
  PutLe(out, 0, 4);
  PutLe(out, zip64 ? 0xFFFF : items.size(), 2);
  PutLe(out, zip64 ? 0xFFFF : items.size(), 2);
  PutLe(out, zip64 ? 0xFFFFFFFF : directory.size(), 4);
  PutLe(out, zip64 ? 0xFFFFFFFF : directoryOffset, 4);
  PutLe(out, 0, 2);
  return out;
}

// An EPUB of the given chapter documents (XHTML bodies), titled `title`.
inline std::string MakeEpub(const std::string& title, const std::vector<std::string>& chapters, bool zip64 = false,
                            std::vector<ZipItem> extra = {}) {
  std::vector<ZipItem> items = {
      {"mimetype", "application/epub+zip", 0},
      {"META-INF/container.xml",
       "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"OEBPS/book.opf\"/></rootfiles></container>"}};
  std::string manifest, spine;
  for (size_t i = 0; i < chapters.size(); ++i) {
    const std::string id = "c" + std::to_string(i);
    manifest += "<item id=\"" + id + "\" href=\"text/" + id + ".xhtml\" media-type=\"application/xhtml+xml\"/>";
    spine += "<itemref idref=\"" + id + "\"/>";
    items.push_back({"OEBPS/text/" + id + ".xhtml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><html><body>" + chapters[i] + "</body></html>"});
  }
  items.push_back({"OEBPS/book.opf", "<package><metadata><dc:title>" + title + "</dc:title></metadata><manifest>" +
                                         manifest + "</manifest><spine>" + spine + "</spine></package>"});
  items.insert(items.end(), extra.begin(), extra.end());
  return MakeZip(items, zip64);
}

}  // namespace vt_test
