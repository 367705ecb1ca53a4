// The search box over Qt. The widget only translates: Enter, Esc, a close request, the two
// buttons and a right-click become messages of the program's dialog procedure, which reads the
// text and ends the dialog itself.
#include "platform/search_dialog.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace vt {

// The dialog's fixed geometry: every control 25 px from the top and 200 px high.
static constexpr int kWidth = 1600, kHeight = 250;
static constexpr int kControlTop = 25, kControlHeight = 200;
static constexpr int kBoxLeft = 25, kBoxWidth = 975;
static constexpr int kButtonLeft = 1025, kButtonWidth = 200;
static constexpr int kEscLeft = 1250, kEscWidth = 325;
static constexpr int kIconSize = 128;
static const QColor kGrey(128, 128, 128);

class SearchDialogView : public QDialog {
 public:
  SearchDialogView(const SearchDialogLook& look, DialogProc proc)
      : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint), proc(proc) {
    setWindowTitle(QString::fromStdString(look.caption));
    setFixedSize(kWidth, kHeight);
    SetLooks(look);
    CreateControls(look);
    PlaceInWorkArea();
  }

  intptr_t Send(unsigned message, intptr_t wParam = 0) { return proc(this, message, wParam, 0); }

  DialogProc proc;
  bool ended = false;  // set by EndSearchDialog; the wait in RunSearchDialog then stops
  QLineEdit* box = nullptr;
  QPushButton* searchButton = nullptr;
  QPushButton* escButton = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
      Send(WM_COMMAND, 1);
    else if (e->key() == Qt::Key_Escape)
      Send(WM_COMMAND, 2);
    else
      QDialog::keyPressEvent(e);
  }
  void contextMenuEvent(QContextMenuEvent*) override { Send(WM_CONTEXTMENU); }
  // Esc and a close request from the window manager arrive here.
  void reject() override { Send(WM_COMMAND, 2); }

 private:
  void SetLooks(const SearchDialogLook& look) {
    QFont font(QString::fromStdString(look.fontFace));
    font.setPixelSize(std::max(1, look.fontPixelHeight));
    font.setBold(look.bold);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kGrey);
    palette.setColor(QPalette::WindowText, kGrey);
    setPalette(palette);
    setAutoFillBackground(true);
  }

  void CreateControls(const SearchDialogLook& look) {
    box = new QLineEdit(QString::fromStdString(look.text), this);
    box->setGeometry(kBoxLeft, kControlTop, kBoxWidth, kControlHeight);
    box->setContextMenuPolicy(Qt::NoContextMenu);  // a right-click belongs to the dialog
    box->setAccessibleName("Search for");
    QPalette boxPalette = box->palette();
    boxPalette.setColor(QPalette::Base, Qt::white);
    boxPalette.setColor(QPalette::Text, Qt::black);
    box->setPalette(boxPalette);

    searchButton = new QPushButton(this);
    searchButton->setGeometry(kButtonLeft, kControlTop, kButtonWidth, kControlHeight);
    searchButton->setAutoDefault(false);
    searchButton->setAccessibleName("Search");
    QString iconPath = QString(":/resources/icons/%1.svg").arg(QString::fromStdString(look.iconName));
    if (QFile::exists(iconPath)) {
      searchButton->setIcon(QIcon(iconPath));
      searchButton->setIconSize(QSize(kIconSize, kIconSize));
    } else {
      searchButton->setText("Go");
    }
    QObject::connect(searchButton, &QPushButton::clicked, [this] { Send(WM_COMMAND, IdSearchButton); });

    escButton = new QPushButton("ESC", this);
    escButton->setGeometry(kEscLeft, kControlTop, kEscWidth, kControlHeight);
    escButton->setAutoDefault(false);
    escButton->setAccessibleName("Cancel");
    QObject::connect(escButton, &QPushButton::clicked, [this] { Send(WM_COMMAND, IdSearchEsc); });
  }

  void PlaceInWorkArea() {
    Rect area = WorkArea();
    move(area.left + (area.right - area.left - kWidth) / 2, area.top + (area.bottom - area.top - kHeight) / 2);
  }
};

DialogHandle CreateSearchDialog(const SearchDialogLook& look, DialogProc proc) {
  return new SearchDialogView(look, proc);
}

// The dialog runs its own wait for events rather than a nested event loop: a nested loop returns
// at once once the application has been asked to quit, and the box must still close by itself.
void RunSearchDialog(DialogHandle dialog) {
  if (!dialog) return;
  QPointer<QWidget> previous = QApplication::activeWindow();
  dialog->Send(WM_INITDIALOG);
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  while (!dialog->ended) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  dialog->hide();
  dialog->Send(WM_DESTROY);
  delete dialog;
  // The window that was active before the box is active again, as after any modal box.
  if (previous) {
    previous->activateWindow();
    QCoreApplication::processEvents();
  }
}

void EndSearchDialog(DialogHandle dialog) {
  if (dialog) dialog->ended = true;
}

void SetDialogTopmost(DialogHandle dialog) {
  if (!dialog) return;
  bool shown = dialog->isVisible();
  dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (shown) dialog->show();  // changing a flag hides a visible window
}

void SelectAllDialogText(DialogHandle dialog) {
  if (dialog) dialog->box->selectAll();
}

void FocusDialogTextBox(DialogHandle dialog) {
  if (dialog) dialog->box->setFocus(Qt::OtherFocusReason);
}

std::string DialogText(DialogHandle dialog) { return dialog ? dialog->box->text().toStdString() : std::string(); }

void TypeDialogText(DialogHandle dialog, const std::string& text) {
  if (!dialog) return;
  dialog->box->selectAll();
  dialog->box->insert(QString::fromStdString(text));
}

static void SendKey(DialogHandle dialog, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(dialog->box, &press);
}

void PressDialogEnter(DialogHandle dialog) {
  if (dialog) SendKey(dialog, Qt::Key_Return);
}

void PressDialogEscape(DialogHandle dialog) {
  if (dialog) SendKey(dialog, Qt::Key_Escape);
}

void ClickDialogButton(DialogHandle dialog, int id) {
  if (!dialog) return;
  if (id == IdSearchButton) dialog->searchButton->click();
  if (id == IdSearchEsc) dialog->escButton->click();
}

void RightClickDialog(DialogHandle dialog) {
  if (!dialog) return;
  QPoint local(10, 10);
  QContextMenuEvent event(QContextMenuEvent::Mouse, local, dialog->box->mapToGlobal(local));
  QApplication::sendEvent(dialog->box, &event);
}

Rect DialogRect(DialogHandle dialog) {
  if (!dialog) return Rect{0, 0, 0, 0};
  QRect r = dialog->geometry();
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Rect DialogControlRect(DialogHandle dialog, int id) {
  if (!dialog) return Rect{0, 0, 0, 0};
  QWidget* control = id == IdSearchBox ? static_cast<QWidget*>(dialog->box)
                     : id == IdSearchButton ? static_cast<QWidget*>(dialog->searchButton)
                                            : static_cast<QWidget*>(dialog->escButton);
  QRect r = control->geometry();
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

bool DialogTextAllSelected(DialogHandle dialog) {
  return dialog && dialog->box->selectedText() == dialog->box->text() && !dialog->box->text().isEmpty();
}

bool DialogTextBoxHasFocus(DialogHandle dialog) { return dialog && dialog->focusWidget() == dialog->box; }

uint32_t DialogBackgroundRgb(DialogHandle dialog) {
  return dialog ? dialog->palette().color(QPalette::Window).rgb() & 0xFFFFFF : 0;
}

bool DialogIsTopmost(DialogHandle dialog) { return dialog && (dialog->windowFlags() & Qt::WindowStaysOnTopHint); }
bool DialogIsFrameless(DialogHandle dialog) { return dialog && (dialog->windowFlags() & Qt::FramelessWindowHint); }

}  // namespace vt
