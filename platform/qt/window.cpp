// The main window over Qt: a frameless top-level widget whose events become the program's typed
// events, an application-wide key filter for the shortcuts and the dialog keys, and the desktop
// services (screen, URLs, processes, timers). A window counts as gone from the moment it ends.
#include "platform/window.h"

#include "platform/key_routing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
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

#include "platform/qt/live_objects.h"
#include "platform/qt/main_widget.h"
#include "platform/testing.h"

#include <memory>
#include <utility>
#include <csignal>
#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <thread>

namespace vt {

MainWidget::MainWidget(MainWindowEvents handlers)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
  events = std::move(handlers);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAcceptDrops(true);
  setAutoFillBackground(true);
  MarkLive(this);
}

void MainWidget::paintEvent(QPaintEvent* e) {
  painted = true;
  QWidget::paintEvent(e);
}

void MainWidget::closeEvent(QCloseEvent* e) {
  e->ignore();
  if (Live(this)) Raise(events.cancelled);
}

void MainWidget::wheelEvent(QWheelEvent* e) {
  Raise(events.wheel, WheelSteps(e), (e->modifiers() & Qt::ControlModifier) != 0);
}

void MainWidget::mousePressEvent(QMouseEvent* e) {
  dragArmed = false;
  if (e->button() == Qt::LeftButton) Raise(events.pressed, e->position().toPoint().x(), e->position().toPoint().y());
}

// The window manager moves the window only once the pointer really moves with the button held: a
// move started on a plain click is never ended by its release, and the manager then swallows the
// next click.
void MainWidget::mouseMoveEvent(QMouseEvent* e) {
  if (!dragArmed || !(e->buttons() & Qt::LeftButton)) return;
  if ((e->globalPosition().toPoint() - dragFrom).manhattanLength() < QApplication::startDragDistance()) return;
  dragArmed = false;
  if (QWindow* handle = windowHandle()) handle->startSystemMove();
}

// The first local file of a drag, or "".
static std::string DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return std::string();
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile().toStdString();
  return std::string();
}

void MainWidget::dragEnterEvent(QDragEnterEvent* e) {
  if (!DroppedFile(e->mimeData()).empty()) e->acceptProposedAction();
}

void MainWidget::dropEvent(QDropEvent* e) {
  std::string path = DroppedFile(e->mimeData());
  if (path.empty()) return;
  e->acceptProposedAction();
  Raise(events.fileDropped, path);
}

int WheelSteps(const QWheelEvent* e) {
  int delta = e->angleDelta().y();
  if (delta == 0) return 0;
  int steps = delta / 120;
  return steps != 0 ? steps : (delta > 0 ? 1 : -1);
}

static bool Plain(const QKeyEvent* key) {
  return !(key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
}

static bool CtrlAlone(const QKeyEvent* key) {
  return (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == Qt::ControlModifier;
}

// The name a shortcut table gives a key: "A" ... "Z", "F3", "Space"; empty for any other key.
static std::string KeyName(const QKeyEvent* key) {
  int k = key->key();
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return std::string(1, static_cast<char>('A' + (k - Qt::Key_A)));
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return "F" + std::to_string(k - Qt::Key_F1 + 1);
  if (k == Qt::Key_Space) return "Space";
  if (k == Qt::Key_Escape) return "Escape";
  return std::string();
}

static bool FocusOnButton() { return qobject_cast<QAbstractButton*>(QApplication::focusWidget()) != nullptr; }

// Sees every key of the application first: shortcuts, then the dialog keys of the main window.
class KeyFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::ShortcutOverride) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    auto* main = Live(dynamic_cast<MainWidget*>(widget->window()));
    if (!main) return false;
    auto* key = static_cast<QKeyEvent*>(e);
    // Qt offers a key to the focus widget and then to its parents: act on the first delivery only.
    if (e->type() == QEvent::KeyPress && widget != QApplication::focusWidget() && QApplication::focusWidget() &&
        QApplication::focusWidget()->window() == main)
      return false;
    KeyRoute route = RouteKey(KeyPress{KeyName(key), Plain(key), key->isAutoRepeat(), FocusOnButton(), CtrlAlone(key)},
                              main->shortcuts);
    if (route.action == KeyAction::None) return false;
    e->accept();  // a shortcut override keeps the key from widget shortcuts; it arrives as a key press next
    if (e->type() == QEvent::KeyPress) RunKeyRoute(route, main->events);
    return true;
  }
};

static bool loopRunning = false;  // the program's event loop runs (tests drive events without it)
static int applicationArgc = 1;
static char applicationName[] = "vellumtide";
static char* applicationArgv[] = {applicationName, nullptr};

// Linux hands a program its arguments as the bytes they are; a path in any encoding opens as given.
std::vector<std::string> ProgramArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void PlatformInit(int& argc, char** argv) {
  // Buffers of a megabyte and more (a book, its document) get memory of their own, which goes back
  // to the system when they are freed. By default the C library raises that bound to the largest
  // buffer freed so far, after which a growing document is copied within the heap and leaves it
  // in pieces: the Bible at start-up held 2 MiB more at its peak.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
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

// Ends the window when the process is asked to end (SIGTERM, SIGINT, SIGHUP): a signal's handler
// only writes a byte, and the event loop reads it and raises `closing`. A wait of the program's
// own (SleepMs) watches the same byte, so that it never holds the end back.
static int signalPipe[2] = {-1, -1};

static void OnSignal(int) {
  char byte = 1;
  ssize_t ignored = write(signalPipe[1], &byte, 1);
  (void)ignored;
}

static void RaiseClosing(const QPointer<MainWidget>& window) {
  if (window && Live(window.data())) MainWidget::Raise(window->events.closing);
}

static void CloseOnTermination(MainWidget* window) {
  QPointer<MainWidget> target(window);
  if (signalPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);  // the terminal closed, or the session ended without asking
  }
  if (signalPipe[0] >= 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
      char byte;
      ssize_t ignored = read(signalPipe[0], &byte, 1);
      (void)ignored;
      RaiseClosing(target);
    });
  }
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, window, [target](QSessionManager&) { RaiseClosing(target); });
}

MainWidget* CreateMainWidget(const Rect& area, const std::string& title, MainWindowEvents events) {
  auto* window = new MainWidget(std::move(events));
  window->setWindowTitle(QString::fromStdString(title));
  window->setGeometry(area.left, area.top, area.right - area.left, area.bottom - area.top);
  CloseOnTermination(window);
  return window;
}

bool IsWindow(MainWidget* window) { return Live(window) != nullptr; }

void DestroyMainWidget(MainWidget* window) {
  if (!Live(window)) return;
  MainWidget::Raise(window->events.ended);
  MarkGone(window);
  window->hide();
  window->deleteLater();
  EndModalWaits();  // a search box open at the end must not keep the process alive
  if (loopRunning) QCoreApplication::exit(0);
}

std::string WindowTitle(MainWidget* window) { return Live(window) ? window->windowTitle().toStdString() : ""; }

void SetWindowIconResource(MainWidget* window, const std::string& resourceName) {
  QString path = QString(":/resources/icons/%1.svg").arg(QString::fromStdString(resourceName));
  if (Live(window) && QFile::exists(path)) window->setWindowIcon(QIcon(path));
}

void SetWindowColours(MainWidget* window, unsigned textRgb, unsigned backgroundRgb) {
  if (!Live(window)) return;
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(backgroundRgb));
  palette.setColor(QPalette::WindowText, QColor::fromRgb(textRgb));
  window->setPalette(palette);
}

void ResizeWindow(MainWidget* window, int width, int height) {
  if (Live(window)) window->resize(width, height);
}

void MoveWindow(MainWidget* window, int x, int y) {
  if (Live(window)) window->move(x, y);
}

void SetPendingShowState(MainWidget* window, ShowState state) {
  if (Live(window)) window->pendingShow = state;
}

ShowState PendingShowState(MainWidget* window) { return Live(window) ? window->pendingShow : ShowState::Normal; }

void ShowWithState(MainWidget* window, ShowState state) {
  if (!Live(window)) return;
  if (state == ShowState::Maximised)
    window->showMaximized();
  else if (state == ShowState::Minimised)
    window->showMinimized();
  else
    window->showNormal();
}

void InitialiseAndShow(MainWidget* window) {
  if (!Live(window)) return;
  MainWidget::Raise(window->events.initialised);
  MainWidget::Raise(window->events.resized);
  ShowWithState(window, window->pendingShow);
  if (!Live(window)) return;
  window->raise();
  window->activateWindow();
}

// Holds a task back until the first frame is on the screen. An event that only draws that frame
// lets it wait; any other event reaching the program runs it first.
class FirstFrameGate : public QObject {
 public:
  explicit FirstFrameGate(std::function<void()> held) : task(std::move(held)) {
    QCoreApplication::instance()->installEventFilter(this);
    waiting = this;
  }

  static inline FirstFrameGate* waiting = nullptr;  // the gate whose task has not run yet

  void Add(std::function<void()> more) {
    task = [first = std::move(task), more = std::move(more)] {
      first();
      more();
    };
  }

  void Open() {
    if (!task) return;
    waiting = nullptr;
    QCoreApplication::instance()->removeEventFilter(this);
    deleteLater();
    std::exchange(task, nullptr)();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (!task) return false;
    if (e->type() == QEvent::Paint) {
      // The frame goes to the screen when the paint of the whole window ends: the task then runs.
      if (!framePainted) QTimer::singleShot(0, this, [this] { Open(); });
      framePainted = true;
    } else if (!OnlyDraws(e->type()) && !WidgetsOwn(watched, e->type())) {
      Open();
    }
    return false;
  }

 private:
  static bool OnlyDraws(QEvent::Type type) {
    switch (type) {
      case QEvent::UpdateRequest: case QEvent::UpdateLater: case QEvent::Expose: case QEvent::Resize:
      case QEvent::Move: case QEvent::Show: case QEvent::ShowToParent: case QEvent::Hide:
      case QEvent::HideToParent: case QEvent::Polish:
      case QEvent::PolishRequest: case QEvent::LayoutRequest: case QEvent::ChildAdded:
      case QEvent::ChildPolished: case QEvent::ChildRemoved: case QEvent::StyleChange:
      case QEvent::FontChange: case QEvent::PaletteChange: case QEvent::WindowActivate:
      case QEvent::ActivationChange: case QEvent::ApplicationStateChange: case QEvent::FocusIn:
      case QEvent::FocusAboutToChange: case QEvent::PlatformSurface: case QEvent::WinIdChange:
      case QEvent::WindowStateChange: case QEvent::ScreenChangeInternal: case QEvent::ZOrderChange:
      case QEvent::Enter: case QEvent::HoverEnter:
      case QEvent::DynamicPropertyChange: case QEvent::WindowTitleChange: case QEvent::WindowIconChange:
      case QEvent::CursorChange: case QEvent::ToolTipChange: case QEvent::EnabledChange:
      case QEvent::ParentChange: case QEvent::ParentAboutToChange: case QEvent::ContentsRectChange:
      case QEvent::ReadOnlyChange: case QEvent::ModifiedChange: case QEvent::LayoutDirectionChange:
      case QEvent::LocaleChange: case QEvent::LanguageChange: case QEvent::ApplicationFontChange:
      case QEvent::ApplicationPaletteChange: case QEvent::ThreadChange: case QEvent::Create:
      case QEvent::Destroy:
        return true;
      default:
        return false;
    }
  }

  // A widget's own timers and queued calls keep its scroll bars and layout up to date; the
  // program's go to the application.
  static bool WidgetsOwn(QObject* receiver, QEvent::Type type) {
    return (type == QEvent::MetaCall || type == QEvent::Timer) && receiver->isWidgetType();
  }

  std::function<void()> task;
  bool framePainted = false;
};

void RunAfterFirstFrame(MainWidget* window, std::function<void()> task) {
  if (!Live(window) || window->painted) return task();
  if (FirstFrameGate::waiting)
    FirstFrameGate::waiting->Add(std::move(task));
  else
    new FirstFrameGate(std::move(task));
}

void RunMessageLoop(MainWidget* window) {
  loopRunning = true;
  while (IsWindow(window)) QApplication::exec();
  loopRunning = false;
}

bool IsWindowVisible(MainWidget* window) { return Live(window) && window->isVisible(); }

void ProcessPendingEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // Widgets the program let go of (a bar rebuilt inside its own click) are deleted, as the event
  // loop of the running program deletes them.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  if (FirstFrameGate::waiting) FirstFrameGate::waiting->Open();  // as when the reader acts
}

Rect WindowNormalRect(MainWidget* window) {
  if (!Live(window)) return Rect{0, 0, 0, 0};
  QRect r = window->normalGeometry();
  if (!r.isValid()) r = window->geometry();
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Rect WindowScreenRect(MainWidget* window) {
  if (!Live(window)) return Rect{0, 0, 0, 0};
  QRect r = window->frameGeometry();
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

ShowState WindowShowState(MainWidget* window) {
  if (!Live(window)) return ShowState::Normal;
  if (window->isMinimized()) return ShowState::Minimised;
  if (window->isMaximized()) return ShowState::Maximised;
  return ShowState::Normal;
}

void ClientSize(MainWidget* window, int& width, int& height) {
  width = Live(window) ? window->width() : 0;
  height = Live(window) ? window->height() : 0;
}

Rect WorkArea() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return Rect{0, 0, 1920, 1080};
  QRect r = screen->availableGeometry();
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

std::vector<Rect> ScreenWorkAreas() {
  std::vector<Rect> areas;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) areas.push_back(WorkArea());
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen == primary) continue;
    QRect r = screen->availableGeometry();
    areas.push_back(Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
  }
  if (areas.empty()) areas.push_back(WorkArea());
  return areas;
}

double ScreenDpiX() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double ScreenDpiY() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInchY() : 96.0;
}

MainWindowRecord* RecordOfWindow(MainWidget* window) { return Live(window); }

void StartWindowDrag(MainWidget* window) {
  if (!Live(window)) return;
  window->dragArmed = true;
  window->dragFrom = QCursor::pos();
}

void BringWindowToFront(MainWidget* window) {
  if (!Live(window)) return;
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

bool OpenUrl(const std::string& url) { return QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

bool StartProgram(const std::string& path) { return QProcess::startDetached(QString::fromStdString(path), {}); }

// A request to end the process cuts the wait short: the byte is left for the event loop to read.
void SleepMs(int milliseconds) {
  if (milliseconds <= 0) return;
  if (signalPipe[0] < 0) return std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (auto now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now()) {
    pollfd request{signalPipe[0], POLLIN, 0};
    auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
    if (poll(&request, 1, static_cast<int>(left)) > 0) return;
  }
}

void RunLater(int milliseconds, std::function<void()> callback) {
  QTimer::singleShot(std::max(0, milliseconds), QCoreApplication::instance(), std::move(callback));
}

}  // namespace vt
