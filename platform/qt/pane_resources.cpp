// The built-in books live in the program's resources under resources/books/.
#include "platform/pane_resources.h"

#include <QFile>

namespace vt {

bool ReadEmbeddedBook(const std::string& fileName, std::string& bytes) {
  QFile file(QStringLiteral(":/resources/books/") + QString::fromStdString(fileName));
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray data = file.readAll();
  bytes.assign(data.constData(), static_cast<size_t>(data.size()));
  return true;
}

}  // namespace vt
