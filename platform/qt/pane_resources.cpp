// The built-in books live in the program's resources under resources/books/.
#include "platform/pane_resources.h"

#include <QResource>

namespace vt {

bool ReadEmbeddedBook(const std::string& fileName, std::string& bytes) {
  // Read straight from the resource: a QFile would hold the unpacked text twice more on the way.
  QResource resource(QStringLiteral(":/resources/books/") + QString::fromStdString(fileName));
  if (!resource.isValid()) return false;
  if (resource.compressionAlgorithm() == QResource::NoCompression) {
    bytes.assign(reinterpret_cast<const char*>(resource.data()), static_cast<size_t>(resource.size()));
  } else {
    const QByteArray data = resource.uncompressedData();
    bytes.assign(data.constData(), static_cast<size_t>(data.size()));
  }
  return true;
}

}  // namespace vt
