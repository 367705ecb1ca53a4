// The reading pane for screen readers and magnifiers. Qt's own interface for a plain-text widget
// places characters as if the text were never scrolled (its scroll bar counts rows, not pixels)
// and finds no character at any point, so a magnifier that follows the caret is sent off the
// screen. This interface answers from the widget's own cursor geometry, which is right at any
// scroll position and type size. While the pane reads aloud, the word being spoken is reported as
// the caret (a caret-moved event and the caret position), so a caret-following magnifier keeps it
// in view; the real caret stays where it was, and is reported again when the reading ends.
//
// State: the spoken word's start, kept as a property of the pane (-1: none). Everything runs on
// the user-interface thread.
#include "platform/qt/accessible_pane.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

#include "platform/pane.h"
#include "platform/qt/live_objects.h"

namespace vt {

namespace {

const char* const kPaneObjectName = "vellumtide-pane";  // marks the pane for the factory
const char* const kSpokenWordProperty = "vellumtideSpokenWord";

int SpokenWord(const QPlainTextEdit* edit) {
  QVariant word = edit->property(kSpokenWordProperty);
  return word.isValid() ? word.toInt() : -1;
}

class AccessiblePane : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit AccessiblePane(QPlainTextEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }

  // ---- the text
  int characterCount() const override { return std::max(0, Document()->characterCount() - 1); }

  QString text(QAccessible::Text t) const override { return QAccessibleWidget::text(t); }

  QString text(int start, int end) const override {
    QTextCursor range = Range(start, end);
    return range.selectedText();
  }

  // ---- the caret and the selection
  int cursorPosition() const override {
    int spoken = SpokenWord(Edit());
    return spoken >= 0 ? spoken : Edit()->textCursor().position();
  }

  void setCursorPosition(int position) override {
    QTextCursor caret = Edit()->textCursor();
    caret.setPosition(Clamped(position));
    Edit()->setTextCursor(caret);
  }

  int selectionCount() const override { return Edit()->textCursor().hasSelection() ? 1 : 0; }

  void selection(int index, int* start, int* end) const override {
    const QTextCursor caret = Edit()->textCursor();
    *start = *end = 0;
    if (index != 0 || !caret.hasSelection()) return;
    *start = caret.selectionStart();
    *end = caret.selectionEnd();
  }

  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { setCursorPosition(Edit()->textCursor().position()); }
  void setSelection(int, int start, int end) override { Edit()->setTextCursor(Range(start, end)); }

  // ---- geometry, in screen coordinates
  QRect characterRect(int offset) const override {
    const QPlainTextEdit* edit = Edit();
    if (offset < 0 || offset >= characterCount()) return QRect();
    QTextCursor at(Document());
    at.setPosition(offset);
    QRect left = edit->cursorRect(at);
    at.setPosition(offset + 1);
    QRect right = edit->cursorRect(at);
    // The character ends where the next begins when both stand on one row; a row's last character
    // (or a paragraph break) gets the average width of the type.
    int width = right.top() == left.top() && right.left() > left.left() ? right.left() - left.left()
                                                                        : edit->fontMetrics().averageCharWidth();
    QRect local(left.left(), left.top(), width, left.height());
    return QRect(edit->viewport()->mapToGlobal(local.topLeft()), local.size());
  }

  int offsetAtPoint(const QPoint& point) const override {
    const QPlainTextEdit* edit = Edit();
    QPoint local = edit->viewport()->mapFromGlobal(point);
    if (!edit->viewport()->rect().contains(local)) return -1;
    int offset = edit->cursorForPosition(local).position();
    // The nearest boundary may be after the character under the point: take the one it begins.
    if (offset > 0 && edit->cursorRect(edit->cursorForPosition(local)).left() > local.x()) --offset;
    return std::min(offset, std::max(0, characterCount() - 1));
  }

  void scrollToSubstring(int start, int) override {
    // Brings the place into view without moving the reader's caret.
    QTextCursor keep = Edit()->textCursor();
    Edit()->setTextCursor(Range(start, start));
    Edit()->ensureCursorVisible();
    Edit()->setTextCursor(keep);
  }

  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return QString();
  }

 private:
  QPlainTextEdit* Edit() const { return static_cast<QPlainTextEdit*>(widget()); }
  QTextDocument* Document() const { return Edit()->document(); }
  int Clamped(int position) const { return std::clamp(position, 0, characterCount()); }
  QTextCursor Range(int start, int end) const {
    QTextCursor range(Document());
    range.setPosition(Clamped(start));
    range.setPosition(Clamped(end), QTextCursor::KeepAnchor);
    return range;
  }
};

QAccessibleInterface* PaneFactory(const QString&, QObject* object) {
  auto* edit = qobject_cast<QPlainTextEdit*>(object);
  if (!edit || edit->objectName() != QLatin1String(kPaneObjectName)) return nullptr;
  return new AccessiblePane(edit);
}

}  // namespace

void MakePaneAccessible(QPlainTextEdit* pane) {
  static bool factoryInstalled = false;
  if (!factoryInstalled) {
    QAccessible::installFactory(PaneFactory);
    factoryInstalled = true;
  }
  pane->setObjectName(kPaneObjectName);
}

void PaneReportSpokenWord(PaneView* pane, int start) {
  if (!IsLive(pane)) return;
  auto* edit = reinterpret_cast<QPlainTextEdit*>(pane);  // the pane's widget is a QPlainTextEdit
  edit->setProperty(kSpokenWordProperty, start);
  if (!QAccessible::isActive()) return;
  QAccessibleTextCursorEvent moved(edit, start >= 0 ? start : edit->textCursor().position());
  QAccessible::updateAccessibility(&moved);
}

}  // namespace vt
