// The main window over Qt: a frameless top-level widget whose events are translated into the
// messages of the program's window procedure, an application-wide key filter for the shortcuts
// and the dialog keys, and the desktop services (screen, cursor, URLs, processes, timers).
#include "platform/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <memory>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <thread>

namespace vt {

// A message posted to the window from any thread.
class PostedMessage : public QEvent {
 public:
  explicit PostedMessage(unsigned message) : QEvent(kType), message(message) {}
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
  unsigned message;
};

class MainWidget : public QWidget {
 public:
  MainWidget(WindowProc proc) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), proc(proc) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
  }

  intptr_t Send(unsigned message, intptr_t wParam = 0, intptr_t lParam = 0) {
    return proc(this, message, wParam, lParam);
  }

  WindowProc proc;
  int pendingShow = SW_SHOWNORMAL;
  bool alive = true;
  std::vector<Accel> accelerators;
  bool painted = false;

 protected:
  void paintEvent(QPaintEvent* e) override {
    painted = true;
    QWidget::paintEvent(e);
  }
  bool event(QEvent* e) override {
    if (e->type() == PostedMessage::kType) {
      Send(static_cast<PostedMessage*>(e)->message);
      return true;
    }
    return QWidget::event(e);
  }
  void resizeEvent(QResizeEvent*) override {
    int type = isMinimized() ? SIZE_MINIMIZED : isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
    Send(WM_SIZE, type, (static_cast<intptr_t>(height()) << 16) | width());
  }
  // A close request from the window manager ends the program like Esc.
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (alive) Send(WM_COMMAND, 2);
  }
  void wheelEvent(QWheelEvent* e) override {
    int delta = e->angleDelta().y();
    int keys = (e->modifiers() & Qt::ControlModifier) ? MK_CONTROL : 0;
    Send(WM_MOUSEWHEEL, (static_cast<intptr_t>(static_cast<int16_t>(delta)) << 16) | keys);
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton) Send(WM_SETCURSOR);
  }
};

// Sees every key of the application first: shortcuts, then the dialog keys of the main window.
class KeyFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::ShortcutOverride) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    auto* main = dynamic_cast<MainWidget*>(widget->window());
    if (!main || !main->alive) return false;
    auto* key = static_cast<QKeyEvent*>(e);
    // Qt offers a key to the focus widget and then to its parents: act on the first delivery only.
    if (e->type() == QEvent::KeyPress && widget != QApplication::focusWidget() && QApplication::focusWidget() &&
        QApplication::focusWidget()->window() == main)
      return false;
    if (key->key() == Qt::Key_F1 && !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
      if (e->type() == QEvent::KeyPress) main->Send(WM_HELP);
      e->accept();
      return true;
    }
    int command = Match(main, key);
    if (command < 0) return false;
    if (e->type() == QEvent::ShortcutOverride) {
      e->accept();  // keep the key away from widget shortcuts; it arrives as a key press next
      return true;
    }
    main->Send(WM_COMMAND, command == 2 ? 2 : (static_cast<intptr_t>(1) << 16) | command);
    return true;
  }

 private:
  static int VirtualKey(const QKeyEvent* key) {
    int k = key->key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
    if (k == Qt::Key_F3) return VK_F3;
    return -1;
  }
  // The command a key stands for: a shortcut, F1, or Esc; -1 for none.
  static int Match(MainWidget* main, const QKeyEvent* key) {
    Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    int vk = VirtualKey(key);
    if (!mods && vk >= 0)
      for (const Accel& a : main->accelerators)
        if (a.key == vk) return a.command;
    if (key->key() == Qt::Key_Escape) return 2;
    return -1;
  }
};

static bool loopRunning = false;  // the program's event loop runs (tests drive events without it)
static int applicationArgc = 1;
static char applicationName[] = "vellumtide";
static char* applicationArgv[] = {applicationName, nullptr};

void PlatformInit(int& argc, char** argv) {
  // The application lives as long as the process: it is never destroyed, so nothing outlives it.
  if (!QApplication::instance()) {
    if (argc > 0 && argv) applicationArgv[0] = argv[0];
    new QApplication(applicationArgc, applicationArgv);
  }
  static bool done = false;
  if (done) return;
  done = true;
  // The reader's face names are those of the desktop it came from; these look alike here.
  QFont::insertSubstitution("Tahoma", "DejaVu Sans");
  QFont::insertSubstitution("Courier New", "Liberation Mono");
  QFont::insertSubstitution("Times New Roman", "Liberation Serif");
  QFont::insertSubstitution("Comic Sans MS", "Comic Neue");
  QFont::insertSubstitution("Arial Black", "DejaVu Sans");
  QApplication::instance()->installEventFilter(new KeyFilter);
}

WindowHandle CreateMainWidget(int x, int y, int width, int height, const std::string& title, WindowProc proc) {
  auto* window = new MainWidget(proc);
  window->setWindowTitle(QString::fromStdString(title));
  window->setGeometry(x, y, width, height);
  return window;
}

bool IsWindow(WindowHandle window) { return window && window->alive; }

void DestroyMainWidget(WindowHandle window) {
  if (!IsWindow(window)) return;
  window->Send(WM_DESTROY);
  window->alive = false;
  window->hide();
  window->deleteLater();
  if (loopRunning) QCoreApplication::exit(0);
}

std::string WindowTitle(WindowHandle window) { return window->windowTitle().toStdString(); }

void SetWindowIconResource(WindowHandle window, const std::string& resourceName) {
  QString path = QString(":/resources/icons/%1.svg").arg(QString::fromStdString(resourceName));
  if (QFile::exists(path)) window->setWindowIcon(QIcon(path));
}

void SetWindowColours(WindowHandle window, uint32_t textRgb, uint32_t backgroundRgb) {
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(backgroundRgb));
  palette.setColor(QPalette::WindowText, QColor::fromRgb(textRgb));
  window->setPalette(palette);
}

void ResizeWindow(WindowHandle window, int width, int height) { window->resize(width, height); }
void MoveWindow(WindowHandle window, int x, int y) { window->move(x, y); }
void SetPendingShowState(WindowHandle window, int showCommand) { window->pendingShow = showCommand; }
int PendingShowState(WindowHandle window) { return window->pendingShow; }

void ShowWithState(WindowHandle window, int showCommand) {
  if (showCommand == SW_SHOWMAXIMIZED)
    window->showMaximized();
  else if (showCommand == SW_SHOWMINIMIZED)
    window->showMinimized();
  else
    window->showNormal();
}

void InitialiseAndShow(WindowHandle window) {
  window->Send(WM_INITDIALOG);
  int type = window->pendingShow == SW_SHOWMAXIMIZED   ? SIZE_MAXIMIZED
             : window->pendingShow == SW_SHOWMINIMIZED ? SIZE_MINIMIZED
                                                       : SIZE_RESTORED;
  window->Send(WM_SIZE, type, (static_cast<intptr_t>(window->height()) << 16) | window->width());
  ShowWithState(window, window->pendingShow);
  window->raise();
  window->activateWindow();
}

void RunMessageLoop(WindowHandle window) {
  loopRunning = true;
  while (IsWindow(window)) QApplication::exec();
  loopRunning = false;
}

bool IsWindowVisible(WindowHandle window) { return IsWindow(window) && window->isVisible(); }

bool WindowHasPainted(WindowHandle window) { return window && window->painted; }

void ProcessPendingEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void PostWindowMessage(WindowHandle window, unsigned message) {
  QCoreApplication::postEvent(window, new PostedMessage(message));
}

intptr_t SendWindowMessage(WindowHandle window, unsigned message, intptr_t wParam, intptr_t lParam) {
  return window->Send(message, wParam, lParam);
}

Rect WindowNormalRect(WindowHandle window) {
  QRect r = window->normalGeometry();
  if (!r.isValid()) r = window->geometry();
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

int WindowShowCommand(WindowHandle window) {
  if (window->isMinimized()) return SW_SHOWMINIMIZED;
  if (window->isMaximized()) return SW_SHOWMAXIMIZED;
  return SW_SHOWNORMAL;
}

bool IsIconic(WindowHandle window) { return window->isMinimized(); }
bool IsZoomed(WindowHandle window) { return window->isMaximized(); }

void ClientSize(WindowHandle window, int& width, int& height) {
  width = window->width();
  height = window->height();
}

Rect WorkArea() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return Rect{0, 0, 1920, 1080};
  QRect r = screen->availableGeometry();
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

double ScreenDpiX() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double ScreenDpiY() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInchY() : 96.0;
}

void AttachAccelerators(WindowHandle window, const std::vector<Accel>& table) { window->accelerators = table; }
std::vector<Accel> AttachedAccelerators(WindowHandle window) { return window->accelerators; }

void StartWindowDrag(WindowHandle window) {
  if (QWindow* handle = window->windowHandle()) handle->startSystemMove();
}

void CursorClientPos(WindowHandle window, int& x, int& y) {
  QPoint p = window->mapFromGlobal(QCursor::pos());
  x = p.x();
  y = p.y();
}

void OpenUrl(const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

bool StartProgram(const std::string& path) { return QProcess::startDetached(QString::fromStdString(path), {}); }

void SleepMs(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

static int signalPipe[2] = {-1, -1};

static void OnSignal(int) {
  char byte = 1;
  ssize_t ignored = write(signalPipe[1], &byte, 1);
  (void)ignored;
}

void PostOnTermination(WindowHandle window, unsigned message) {
  QPointer<MainWidget> target(window);
  auto post = [target, message] {
    if (target && target->alive) target->Send(message);
  };
  if (signalPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [post] {
      char byte;
      ssize_t ignored = read(signalPipe[0], &byte, 1);
      (void)ignored;
      post();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
  }
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, [post](QSessionManager&) { post(); });
}

void RunLater(int milliseconds, std::function<void()> callback) {
  QTimer::singleShot(std::max(0, milliseconds), QCoreApplication::instance(), std::move(callback));
}

}  // namespace vt
