// What a user does to the Qt windows, for the tests (platform/testing.h): keys typed where the
// focus is, clicks at a point of the main window, a dropped file, the wheel over the pane, and what
// the pane draws. Each builds the event Qt would deliver and sends it to the widget under it, so the
// program's own event handlers run as they do for a user. User-interface thread only; no state.
#include "platform/testing.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFocusEvent>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QUrl>
#include <QWheelEvent>

#include <map>

#include "platform/pane.h"
#include "platform/live_objects.h"
#include "platform/qt/main_widget.h"

namespace vt {
namespace {

Qt::KeyboardModifiers QtModifiers(unsigned modifiers) {
  Qt::KeyboardModifiers result = Qt::NoModifier;
  if (modifiers & kShiftHeld) result |= Qt::ShiftModifier;
  if (modifiers & kCtrlHeld) result |= Qt::ControlModifier;
  if (modifiers & kAltHeld) result |= Qt::AltModifier;
  return result;
}

Qt::Key QtKey(const std::string& name) {
  static const std::map<std::string, Qt::Key> named = {
      {"Space", Qt::Key_Space}, {"Escape", Qt::Key_Escape}, {"Tab", Qt::Key_Tab},   {"Return", Qt::Key_Return},
      {"Right", Qt::Key_Right}, {"Down", Qt::Key_Down},     {"End", Qt::Key_End}, {"Delete", Qt::Key_Delete}};
  if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return static_cast<Qt::Key>(Qt::Key_A + name[0] - 'A');
  if (name.size() >= 2 && name[0] == 'F') return static_cast<Qt::Key>(Qt::Key_F1 + std::stoi(name.substr(1)) - 1);
  auto found = named.find(name);
  return found == named.end() ? Qt::Key_unknown : found->second;
}

// The text a key types, as the keyboard would give it.
QString KeyText(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return QString();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    QChar letter(static_cast<char16_t>(key));
    return modifiers & Qt::ShiftModifier ? QString(letter) : QString(letter.toLower());
  }
  switch (key) {
    case Qt::Key_Space: return " ";
    case Qt::Key_Escape: return "\x1b";
    case Qt::Key_Tab: return "\t";
    case Qt::Key_Return: return "\r";
    default: return QString();
  }
}

// The pane is a plain-text editor; the back end's pane class adds no base of its own.
QPlainTextEdit* PaneWidget(PaneView* pane) {
  return PaneExists(pane) ? reinterpret_cast<QPlainTextEdit*>(pane) : nullptr;
}

// Where a key typed by the user goes: the focused widget, or the program's visible main window.
QWidget* KeyTarget() {
  if (QWidget* focus = QApplication::focusWidget()) return focus;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && dynamic_cast<MainWidget*>(w)) return w;
  return nullptr;
}

}  // namespace

void TypeKey(const std::string& key, unsigned modifiers) {
  const Qt::Key qtKey = QtKey(key);
  const Qt::KeyboardModifiers held = QtModifiers(modifiers);
  const QString text = KeyText(qtKey, held);
  if (QWidget* target = KeyTarget()) {
    QKeyEvent press(QEvent::KeyPress, qtKey, held, text);
    QApplication::sendEvent(target, &press);
  }
  if (QWidget* target = KeyTarget()) {  // the press may have moved the focus, as it does for a user
    QKeyEvent release(QEvent::KeyRelease, qtKey, held, text);
    QApplication::sendEvent(target, &release);
  }
  ProcessPendingEvents();
}

void ClickWindowAt(MainWidget* window, int x, int y, MouseButton button) {
  if (!Live(window)) return;
  const Qt::MouseButton which = button == MouseButton::Left ? Qt::LeftButton : Qt::RightButton;
  QWidget* target = window->childAt(x, y);
  if (!target) target = window;
  QPointF local = target->mapFrom(window, QPoint(x, y));
  QPointF global = window->mapToGlobal(QPoint(x, y));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, which, which, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, which, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

void DropFileOnWindow(MainWidget* window, const std::string& path) {
  if (!Live(window)) return;
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  QPoint middle = window->rect().center();
  QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &enter);
  if (!enter.isAccepted()) return;
  QDropEvent drop(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &drop);
}

void AskWindowToClose(MainWidget* window) {
  if (Live(window)) window->close();
}

int ShownBarCount(MainWidget* window) {
  if (!Live(window)) return 0;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // a replaced bar is gone
  int bars = 0;
  for (QObject* child : window->children())
    if (auto* w = qobject_cast<QWidget*>(child); w && !w->isHidden() && w->geometry().top() == 0 &&
                                                 !qobject_cast<QPlainTextEdit*>(w))
      ++bars;
  return bars;
}

void TurnPaneWheel(PaneView* pane, int delta, unsigned modifiers) {
  QPlainTextEdit* edit = PaneWidget(pane);
  if (!edit) return;
  QWidget* viewport = edit->viewport();
  QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
  QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    QtModifiers(modifiers), Qt::NoScrollPhase, false);
  QApplication::sendEvent(viewport, &wheel);
}

void GivePaneFocus(PaneView* pane) {
  if (QPlainTextEdit* edit = PaneWidget(pane)) {
    edit->window()->activateWindow();  // the keys typed next go to its window, as after a click on it
    edit->setFocus(Qt::OtherFocusReason);
    QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(edit, &focusIn);
  }
}

void RepaintPaneNow(PaneView* pane) {
  if (QPlainTextEdit* edit = PaneWidget(pane)) edit->viewport()->repaint();
}

int CountPanePixels(PaneView* pane, uint32_t rgb) {
  QPlainTextEdit* edit = PaneWidget(pane);
  if (!edit) return 0;
  const QImage image = edit->grab().toImage().convertToFormat(QImage::Format_RGB32);
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((line[x] & 0xFFFFFF) == rgb) ++count;
  }
  return count;
}

std::string PaneAccessibleName(PaneView* pane) {
  QPlainTextEdit* edit = PaneWidget(pane);
  return edit ? edit->accessibleName().toStdString() : std::string();
}

int TextWidthInFont(const std::string& face, int pixelHeight, bool bold, const std::string& text) {
  QFont font(QString::fromStdString(face));
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return QFontMetrics(font).horizontalAdvance(QString::fromStdString(text));
}

}  // namespace vt
