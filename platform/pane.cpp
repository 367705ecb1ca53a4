// The reading pane's widget: a QPlainTextEdit (it lays out only what it shows, so even the
// longest book at the largest type stays responsive).
#include "platform/pane.h"

#include <QPlainTextEdit>
#include <QWidget>

namespace vt {

class PaneView : public QPlainTextEdit {
 public:
  explicit PaneView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  }
};

PaneView* PaneCreate(WindowHandle parent) {
  auto* pane = new PaneView(reinterpret_cast<QWidget*>(parent));
  pane->setGeometry(0, 0, 0, 0);
  pane->show();
  return pane;
}

void PaneSetGeometry(PaneView* pane, int x, int y, int width, int height) {
  if (pane) pane->setGeometry(x, y, width, height);
}

void PaneSetPlainText(PaneView* pane, const std::string& text) {
  if (pane) pane->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string PaneGetPlainText(PaneView* pane) {
  if (!pane) return std::string();
  return pane->toPlainText().replace(QChar('\n'), QStringLiteral("\r\n")).toStdString();
}

void PaneSetFocus(PaneView* pane) {
  if (pane) pane->setFocus(Qt::OtherFocusReason);
}

void PaneRemoveSelection(PaneView* pane) {
  if (!pane) return;
  QTextCursor cursor = pane->textCursor();
  cursor.clearSelection();
  pane->setTextCursor(cursor);
}

}  // namespace vt
