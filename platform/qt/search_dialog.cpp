// The search box over Qt. The widget only reports: Enter, Esc, a close request, the two buttons
// and a right-click each raise one of the program's callbacks, which reads the text and ends the
// dialog itself. Everything here runs on the user-interface thread.
#include "platform/search_dialog.h"

#include "platform/qt/live_objects.h"
#include "platform/testing.h"
#include "platform/window.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <utility>

namespace vt {

// The dialog is black, so that the white box and the light buttons stand out from it at 7:1 or
// more; the text selected in the box is white on black (the desktop's mid blue reads at 3.7:1).
static const QColor kBackground(0, 0, 0);

// Raises one of the program's callbacks, if it has set it.
static void Raise(const std::function<void()>& callback) {
  if (callback) callback();
}

class SearchDialogView : public QDialog {
 public:
  SearchDialogView(const SearchDialogLook& look, SearchDialogEvents callbacks)
      : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint),
        events(std::move(callbacks)),
        layout(LayOutSearchBox(SearchBoxArea(look.within), look.fontPixelHeight)) {
    setWindowTitle(QString::fromStdString(look.caption));
    setGeometry(ToQRect(layout.dialog));
    setFixedSize(size());
    SetLooks(look);
    CreateControls(look);
  }

  SearchDialogEvents events;
  SearchBoxLayout layout;
  bool ended = false;  // set by EndSearchDialog; the wait in RunSearchDialog then stops
  QLineEdit* box = nullptr;
  QPushButton* searchButton = nullptr;
  QPushButton* escButton = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
      Raise(events.searchPressed);
    else if (e->key() == Qt::Key_Escape)
      Raise(events.cancelPressed);
    else
      QDialog::keyPressEvent(e);
  }
  void contextMenuEvent(QContextMenuEvent*) override { Raise(events.rightClicked); }
  // Esc and a close request from the window manager arrive here.
  void reject() override { Raise(events.cancelPressed); }

 private:
  void SetLooks(const SearchDialogLook& look) {
    QFont font(QString::fromStdString(look.fontFace));
    font.setPixelSize(layout.fontPixelHeight);
    font.setBold(look.bold);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
  }

  void CreateControls(const SearchDialogLook& look) {
    box = new QLineEdit(QString::fromStdString(look.text), this);
    box->setGeometry(ToQRect(layout.box));
    box->setContextMenuPolicy(Qt::NoContextMenu);  // a right-click belongs to the dialog
    box->setAccessibleName("Search for");
    QPalette boxPalette = box->palette();
    boxPalette.setColor(QPalette::Base, Qt::white);
    boxPalette.setColor(QPalette::Text, Qt::black);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
      boxPalette.setColor(group, QPalette::Highlight, Qt::black);
      boxPalette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    box->setPalette(boxPalette);

    searchButton = new QPushButton(this);
    searchButton->setGeometry(ToQRect(layout.searchButton));
    searchButton->setAutoDefault(false);
    searchButton->setAccessibleName("Search");
    QString iconPath = QString(":/resources/icons/%1.svg").arg(QString::fromStdString(look.iconName));
    if (QFile::exists(iconPath)) {
      searchButton->setIcon(QIcon(iconPath));
      searchButton->setIconSize(QSize(layout.iconSize, layout.iconSize));
    } else {
      searchButton->setText("Go");
    }
    QObject::connect(searchButton, &QPushButton::clicked, [this] { Raise(events.searchPressed); });

    escButton = new QPushButton("ESC", this);
    escButton->setGeometry(ToQRect(layout.escButton));
    escButton->setAutoDefault(false);
    escButton->setAccessibleName("Cancel");
    QObject::connect(escButton, &QPushButton::clicked, [this] { Raise(events.cancelPressed); });
  }

  static QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

  // Without a window to fit into (none shown yet), the work area serves.
};

SearchDialogView* CreateSearchDialog(const SearchDialogLook& look, SearchDialogEvents events) {
  return new SearchDialogView(look, std::move(events));
}

static SearchDialogView* runningDialog = nullptr;  // the box whose wait runs now, if any

void EndModalWaits() {
  if (runningDialog) runningDialog->ended = true;
}

// The dialog runs its own wait for events rather than a nested event loop: a nested loop returns
// at once once the application has been asked to quit, and the box must still close by itself.
// The one end it does not outlive is the end of the program's window (EndModalWaits).
void RunSearchDialog(SearchDialogView* dialog) {
  if (!dialog) return;
  QPointer<QWidget> previous = QApplication::activeWindow();
  Raise(dialog->events.opened);
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  SearchDialogView* outer = std::exchange(runningDialog, dialog);
  while (!dialog->ended) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  runningDialog = outer;
  dialog->hide();
  Raise(dialog->events.closed);
  delete dialog;
  // The window that was active before the box is active again, as after any modal box.
  if (previous) {
    previous->activateWindow();
    QCoreApplication::processEvents();
  }
}

void EndSearchDialog(SearchDialogView* dialog) {
  if (dialog) dialog->ended = true;
}

void SetDialogTopmost(SearchDialogView* dialog) {
  if (!dialog) return;
  bool shown = dialog->isVisible();
  dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (shown) dialog->show();  // changing a flag hides a visible window
}

void SelectAllDialogText(SearchDialogView* dialog) {
  if (dialog) dialog->box->selectAll();
}

void FocusDialogTextBox(SearchDialogView* dialog) {
  if (dialog) dialog->box->setFocus(Qt::OtherFocusReason);
}

std::string DialogText(SearchDialogView* dialog) { return dialog ? dialog->box->text().toStdString() : std::string(); }

// --- for tests (platform/testing.h) ------------------------------------------------------------

void TypeDialogText(SearchDialogView* dialog, const std::string& text) {
  if (!dialog) return;
  dialog->box->selectAll();
  dialog->box->insert(QString::fromStdString(text));
}

static void SendKey(SearchDialogView* dialog, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(dialog->box, &press);
}

void PressDialogEnter(SearchDialogView* dialog) {
  if (dialog) SendKey(dialog, Qt::Key_Return);
}

void PressDialogEscape(SearchDialogView* dialog) {
  if (dialog) SendKey(dialog, Qt::Key_Escape);
}

void ClickDialogButton(SearchDialogView* dialog, SearchDialogControl button) {
  if (!dialog) return;
  if (button == SearchDialogControl::SearchButton) dialog->searchButton->click();
  if (button == SearchDialogControl::EscButton) dialog->escButton->click();
}

void RightClickDialog(SearchDialogView* dialog) {
  if (!dialog) return;
  QPoint local(10, 10);
  QContextMenuEvent event(QContextMenuEvent::Mouse, local, dialog->box->mapToGlobal(local));
  QApplication::sendEvent(dialog->box, &event);
}

static Rect RectOf(const QWidget* widget) {
  QRect r = widget->geometry();
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

SearchDialogLooks LooksOfSearchDialog(SearchDialogView* dialog) {
  if (!dialog) return SearchDialogLooks{};
  const QLineEdit* box = dialog->box;
  return SearchDialogLooks{RectOf(dialog),
                           RectOf(box),
                           RectOf(dialog->searchButton),
                           RectOf(dialog->escButton),
                           box->selectedText() == box->text() && !box->text().isEmpty(),
                           dialog->focusWidget() == box,
                           dialog->palette().color(QPalette::Window).rgb() & 0xFFFFFF,
                           (dialog->windowFlags() & Qt::WindowStaysOnTopHint) != 0,
                           (dialog->windowFlags() & Qt::FramelessWindowHint) != 0};
}

}  // namespace vt
