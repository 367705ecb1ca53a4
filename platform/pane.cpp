// The reading pane's widget: a QPlainTextEdit (it lays out only what it shows, so even the
// longest book at the largest type stays responsive). The operations below are the first,
// plain versions; the layout and marking work refines them.
#include "platform/pane.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QWidget>

namespace vt {

class PaneView : public QPlainTextEdit {
 public:
  explicit PaneView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  }
  PaneHook hook = nullptr;
};

PaneView* PaneCreate(WindowHandle parent) {
  auto* pane = new PaneView(reinterpret_cast<QWidget*>(parent));
  pane->setGeometry(0, 0, 0, 0);
  pane->show();
  return pane;
}

void PaneSetHook(PaneView* pane, PaneHook hook) {
  if (pane) pane->hook = hook;
}

void PaneSetGeometry(PaneView* pane, int x, int y, int width, int height) {
  if (pane) pane->setGeometry(x, y, width, height);
}

int PaneHeight(PaneView* pane) { return pane ? pane->height() : 0; }

void PaneSetFocus(PaneView* pane) {
  if (pane) pane->setFocus(Qt::OtherFocusReason);
}

bool PaneHasFocus(PaneView* pane) { return pane && pane->hasFocus(); }

void PaneSetPlainText(PaneView* pane, const std::string& utf8) {
  if (pane) pane->setPlainText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

std::string PaneGetPlainText(PaneView* pane) {
  if (!pane) return std::string();
  return pane->toPlainText().replace(QChar('\n'), QStringLiteral("\r\n")).toStdString();
}

int PaneStreamInRtf(PaneView*, const std::string&) { return 0; }
int PaneTextLength(PaneView* pane) { return pane ? pane->document()->characterCount() - 1 : 0; }
int PaneFirstVisibleLine(PaneView*) { return 0; }
int PaneLineFromChar(PaneView*, int) { return 0; }
int PaneLineIndex(PaneView*, int) { return 0; }
int PaneLineCount(PaneView*) { return 1; }
void PaneLineScroll(PaneView*, int) {}
void PaneScrollLines(PaneView*, int) {}
bool PanePosFromChar(PaneView*, int, int& x, int& y) {
  x = y = 0;
  return false;
}
void PaneScrollCaret(PaneView*) {}

void PaneGetSelection(PaneView* pane, int& start, int& end) {
  start = end = 0;
  if (!pane) return;
  QTextCursor cursor = pane->textCursor();
  start = cursor.selectionStart();
  end = cursor.selectionEnd();
}

void PaneSetSelection(PaneView*, int, int) {}

void PaneRemoveSelection(PaneView* pane) {
  if (!pane) return;
  QTextCursor cursor = pane->textCursor();
  cursor.clearSelection();
  pane->setTextCursor(cursor);
}

int PaneFindText(PaneView*, const std::string&, int, int, bool, int& foundStart, int& foundEnd) {
  foundStart = foundEnd = -1;
  return -1;
}

bool PaneIsDelimiter(PaneView*, int) { return false; }
int PaneWordBreakRight(PaneView*, int position) { return position; }
int PaneMoveWordLeft(PaneView*, int position) { return position; }
int PaneMoveWordRight(PaneView*, int position) { return position; }
void PaneSetColours(PaneView*, int32_t, int32_t) {}
bool PaneSetFont(PaneView*, const PaneFontRequest&) { return false; }
void PaneSetMargins(PaneView*, int, int) {}
bool PaneRangeUnderlined(PaneView*, int, int) { return false; }
void PaneSetRangeUnderline(PaneView*, int, int, bool) {}
void PaneClearUnderline(PaneView*) {}
void PaneSetRedraw(PaneView*, bool) {}
void PaneShowCaret(PaneView*, int, int) {}
void PaneDestroyCaret(PaneView*) {}

}  // namespace vt
