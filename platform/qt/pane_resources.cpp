// The built-in books live in the program's resources under resources/books/, stored unpacked.
#include "platform/pane_resources.h"

#include "platform/files.h"

#include <QResource>

#include <sys/mman.h>
#include <unistd.h>

namespace vt {

namespace {

// The pages of the program file that held a copied book are given back: the copy is what is read
// from then on, and a book's pages would otherwise stay counted in the process's memory.
void ReleasePages(const uchar* data, qint64 size) {
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
  const auto end = (reinterpret_cast<uintptr_t>(data) + static_cast<uintptr_t>(size)) & ~(page - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
}

}  // namespace

bool ReadEmbeddedBook(const std::string& fileName, std::string& bytes) {
  // Read straight from the resource: a QFile would hold the text twice more on the way.
  QResource resource(QStringLiteral(":/resources/books/") + QString::fromStdString(fileName));
  if (!resource.isValid()) return false;
  if (resource.compressionAlgorithm() == QResource::NoCompression) {
    // with a little room after the text, which the line ends that shaping adds grow into
    const auto size = static_cast<size_t>(resource.size());
    bytes.clear();
    ReserveLargeText(bytes, size + size / 1024 + 16);
    bytes.assign(reinterpret_cast<const char*>(resource.data()), size);
    ReleasePages(resource.data(), resource.size());
  } else {
    const QByteArray data = resource.uncompressedData();
    bytes.assign(data.constData(), static_cast<size_t>(data.size()));
  }
  return true;
}

}  // namespace vt
