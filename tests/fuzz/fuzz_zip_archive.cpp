// Arbitrary bytes as an archive and as a book file: reading the directory and every entry never
// crashes, never inflates past the caps, and whatever is read has the size its entry claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "reader/book_formats.h"
#include "reader/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  vt::ZipArchive archive;
  if (vt::OpenZipArchive(vt::ZipBytes(bytes), bytes.size(), archive) == vt::ZipStatus::Ok) {
    for (const vt::ZipEntry& entry : archive.entries) {
      std::string out;
      if (vt::ReadZipEntry(archive, entry, out) == vt::ZipStatus::Ok && out.size() != entry.size) std::abort();
      if (archive.inflated > vt::LargestZipTotal) std::abort();
    }
  }
  std::string text;
  const vt::BookFormat format = vt::ConvertBook(bytes, "book.epub", text);
  if (!vt::IsBookFormat(format) && !text.empty()) std::abort();
  return 0;
}
