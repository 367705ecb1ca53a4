// The main window over the Windows API: a caption-less popup window whose messages become the
// program's typed events, a message loop that blocks in GetMessage until something happens (it
// sees every key of the thread first, for the shortcuts, F1 and Esc), and the desktop services
// (screen, URLs, processes, timers). A hidden message-only window runs the callbacks of RunLater,
// which other threads post to it. A window counts as gone from the moment it ends.
#include "platform/window.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <map>
#include <memory>

#include "platform/download.h"
#include "platform/key_routing.h"
#include "platform/testing.h"
#include "platform/win32/main_widget.h"

namespace vt {

static const wchar_t kMainClass[] = L"VellumtideMain";
static const wchar_t kTaskClass[] = L"VellumtideTasks";
constexpr UINT kRunTaskMessage = WM_APP + 1;  // wParam: delay in ms, lParam: a new std::function
constexpr UINT kDpiChangedMessage = 0x02E0;   // WM_DPICHANGED, which headers for Windows 7 lack

static DWORD uiThread = 0;          // the thread that called PlatformInit
static HWND taskWindow = nullptr;   // runs RunLater's callbacks
int barClicksInProgress = 0;

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

HFONT CreatePixelFont(const std::string& face, int pixelHeight, bool bold) {
  return CreateFontW(-std::max(1, pixelHeight), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, Wide(face).substr(0, LF_FACESIZE - 1).c_str());
}

static void RunFirstFrameTasks(MainWidget* window);

static MainWidget* WidgetOf(HWND hwnd) { return reinterpret_cast<MainWidget*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// ---- keys: shortcuts, F1 and Esc, before any window sees them

static bool Plain() {
  return !(GetKeyState(VK_SHIFT) & 0x8000) && !(GetKeyState(VK_CONTROL) & 0x8000) && !(GetKeyState(VK_MENU) & 0x8000);
}

static bool CtrlAlone() {
  return (GetKeyState(VK_CONTROL) & 0x8000) && !(GetKeyState(VK_SHIFT) & 0x8000) && !(GetKeyState(VK_MENU) & 0x8000);
}

// The name a shortcut table gives a key: "A" ... "Z", "F3", "Space"; empty for any other key.
static std::string KeyName(WPARAM key) {
  if (key >= 'A' && key <= 'Z') return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F12) return "F" + std::to_string(key - VK_F1 + 1);
  if (key == VK_SPACE) return "Space";
  if (key == VK_ESCAPE) return "Escape";
  return std::string();
}

static bool IsToolbar(HWND hwnd);

// The main window a message belongs to, or null for the windows of dialogs and other programs.
static MainWidget* MainWindowOf(HWND hwnd) {
  HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
  wchar_t name[32] = L"";
  if (!root || !GetClassNameW(root, name, 32) || wcscmp(name, kMainClass) != 0) return nullptr;
  return Live(WidgetOf(root));
}

// Handles a key of the thread as the main window's accelerators; true when it was used.
static bool HandleShortcutKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  MainWidget* main = MainWindowOf(msg.hwnd);
  if (!main) return false;
  bool repeated = (msg.lParam & (1 << 30)) != 0;
  KeyRoute route = RouteKey(KeyPress{KeyName(msg.wParam), Plain(), repeated, IsToolbar(GetFocus()), CtrlAlone()},
                            main->shortcuts);
  return RunKeyRoute(route, main->events);
}

static void Dispatch(MSG& msg) {
  if (HandleShortcutKey(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

// ---- the main window's messages

static bool IsToolbar(HWND hwnd) {
  wchar_t name[32] = L"";
  return hwnd && GetClassNameW(hwnd, name, 32) && wcscmp(name, TOOLBARCLASSNAMEW) == 0;
}

static void OnCommand(MainWidget* main, WPARAM wParam, LPARAM lParam) {
  if (!IsToolbar(reinterpret_cast<HWND>(lParam)) || HIWORD(wParam) != BN_CLICKED) return;
  ++barClicksInProgress;
  MainWidget::Raise(main->events.command, static_cast<int>(LOWORD(wParam)));
  --barClicksInProgress;
}

static void OnSize(MainWidget* main, int width) {
  for (BarView* bar : main->bars) BarFollowWindowWidth(bar, width);
  if (main->initialised) MainWidget::Raise(main->events.resized);
}

static LRESULT OnPaint(MainWidget* main, HWND hwnd) {
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  EndPaint(hwnd, &ps);
  main->painted = true;
  return 0;
}

static LRESULT OnEraseBackground(MainWidget* main, HWND hwnd, HDC dc) {
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, main->background ? main->background : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  return 1;
}

// The bar's notice label: black on white.
static LRESULT OnLabelColour(HDC dc) {
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

// The first file of a drop from the desktop.
static void OnDropFiles(MainWidget* main, HDROP drop) {
  UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring path(length, L'\0');
  bool read = length > 0 && DragQueryFileW(drop, 0, path.data(), length + 1) == length;
  DragFinish(drop);
  if (read) MainWidget::Raise(main->events.fileDropped, Utf8(path));
}

static int WheelSteps(WPARAM wParam) {
  int delta = GET_WHEEL_DELTA_WPARAM(wParam);
  if (delta == 0) return 0;
  int steps = delta / WHEEL_DELTA;
  return steps != 0 ? steps : (delta > 0 ? 1 : -1);
}

// One reader per settings file: a later start posts this registered message to every top-level
// window, and the reader that holds the file comes to the front (0: this process holds none).
static UINT comeForwardMessage = 0;
static std::function<void()> comeForwardHandler;

static LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  MainWidget* main = Live(WidgetOf(hwnd));
  if (!main) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_SIZE: OnSize(main, LOWORD(lParam)); return 0;
    case WM_COMMAND: OnCommand(main, wParam, lParam); return 0;
    case WM_NOTIFY: BarHandlesNotify(main, reinterpret_cast<NMHDR*>(lParam)); return 0;
    case WM_MOUSEWHEEL:
      MainWidget::Raise(main->events.wheel, WheelSteps(wParam), (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0);
      return 0;
    case WM_LBUTTONDOWN:
      MainWidget::Raise(main->events.pressed, static_cast<int>(static_cast<short>(LOWORD(lParam))),
                        static_cast<int>(static_cast<short>(HIWORD(lParam))));
      return 0;
    case WM_CLOSE: MainWidget::Raise(main->events.cancelled); return 0;  // ends the program like Esc
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      if (wParam) MainWidget::Raise(main->events.closing);
      return 0;
    case WM_ERASEBKGND: return OnEraseBackground(main, hwnd, reinterpret_cast<HDC>(wParam));
    case WM_PAINT: return OnPaint(main, hwnd);
    case WM_CTLCOLORSTATIC: return OnLabelColour(reinterpret_cast<HDC>(wParam));
    case WM_DROPFILES: OnDropFiles(main, reinterpret_cast<HDROP>(wParam)); return 0;
    case kDpiChangedMessage: {  // moved to a monitor of other scaling: the size it suggests
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      if (comeForwardMessage != 0 && message == comeForwardMessage) {
        if (comeForwardHandler) comeForwardHandler();
        return 0;
      }
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// ---- callbacks run later, from any thread

static std::map<UINT_PTR, std::unique_ptr<std::function<void()>>> pendingTimers;
static UINT_PTR nextTimer = 1;

static LRESULT CALLBACK TaskWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunTaskMessage) {
    std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
    if (wParam == 0) {
      (*task)();
      return 0;
    }
    UINT_PTR id = nextTimer++;
    pendingTimers[id] = std::move(task);
    SetTimer(hwnd, id, static_cast<UINT>(wParam), nullptr);
    return 0;
  }
  if (message == WM_TIMER) {
    KillTimer(hwnd, wParam);
    auto it = pendingTimers.find(wParam);
    if (it == pendingTimers.end()) return 0;
    std::unique_ptr<std::function<void()>> task = std::move(it->second);
    pendingTimers.erase(it);
    (*task)();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RunLater(int milliseconds, std::function<void()> callback) {
  auto* task = new std::function<void()>(std::move(callback));
  WPARAM delay = static_cast<WPARAM>(std::max(0, milliseconds));
  if (!taskWindow || !PostMessageW(taskWindow, kRunTaskMessage, delay, reinterpret_cast<LPARAM>(task))) delete task;
}

void RunSoon(std::function<void()> callback) { RunLater(0, std::move(callback)); }

// ---- the platform

static void RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW main = {};
  main.cbSize = sizeof main;
  main.lpfnWndProc = MainWindowProc;
  main.hInstance = instance;
  main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main.lpszClassName = kMainClass;
  RegisterClassExW(&main);
  WNDCLASSEXW tasks = {};
  tasks.cbSize = sizeof tasks;
  tasks.lpfnWndProc = TaskWindowProc;
  tasks.hInstance = instance;
  tasks.lpszClassName = kTaskClass;
  RegisterClassExW(&tasks);
}

void PlatformInit(int&, char**) {
  if (uiThread) return;
  uiThread = GetCurrentThreadId();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  LoadLibraryW(L"Msftedit.dll");  // registers the "RichEdit50W" class of the reading pane
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterClasses(instance);
  taskWindow = CreateWindowExW(0, kTaskClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

std::vector<std::string> ProgramArguments(int, char**) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; wide && i < count; ++i) arguments.push_back(Utf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

bool OnUserInterfaceThread() { return uiThread != 0 && GetCurrentThreadId() == uiThread; }

MainWidget* CreateMainWidget(const Rect& area, const std::string& title, MainWindowEvents events) {
  auto* window = new MainWidget;
  window->events = std::move(events);
  MarkLive(window);
  window->hwnd = CreateWindowExW(WS_EX_APPWINDOW, kMainClass, Wide(title).c_str(),
                                 WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                                 area.left, area.top, area.right - area.left, area.bottom - area.top, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), window);
  if (!window->hwnd) {
    MarkGone(window);
    delete window;
    return nullptr;
  }
  DragAcceptFiles(window->hwnd, TRUE);
  return window;
}

bool IsWindow(MainWidget* window) { return Live(window) != nullptr; }

void DestroyMainWidget(MainWidget* window) {
  if (!Live(window)) return;
  RunFirstFrameTasks(window);  // what waited for a frame that never came is done before the end
  if (!Live(window)) return;
  MainWidget::Raise(window->events.ended);
  MarkGone(window);
  DestroyWindow(window->hwnd);
  // The handler that ended the window may still be running: the record goes once it has returned.
  RunSoon([window] {
    if (window->background) DeleteObject(window->background);
    delete window;
  });
}

std::string WindowTitle(MainWidget* window) {
  if (!Live(window)) return "";
  wchar_t title[512] = L"";
  GetWindowTextW(window->hwnd, title, 512);
  return Utf8(title);
}

void SetWindowIconResource(MainWidget* window, const std::string& resourceName) {
  if (!Live(window)) return;
  std::wstring name = Wide(resourceName);
  CharUpperW(name.data());
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto big = static_cast<HICON>(LoadImageW(instance, name.c_str(), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), 0));
  auto small = static_cast<HICON>(LoadImageW(instance, name.c_str(), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  if (big) SendMessageW(window->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) SendMessageW(window->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

static COLORREF FromRgb(unsigned rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void SetWindowColours(MainWidget* window, unsigned textRgb, unsigned backgroundRgb) {
  if (!Live(window)) return;
  if (window->background) DeleteObject(window->background);
  window->background = CreateSolidBrush(FromRgb(backgroundRgb));
  window->textColour = FromRgb(textRgb);
  InvalidateRect(window->hwnd, nullptr, TRUE);
}

void ResizeWindow(MainWidget* window, int width, int height) {
  if (Live(window)) SetWindowPos(window->hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MoveWindow(MainWidget* window, int x, int y) {
  if (Live(window)) SetWindowPos(window->hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetPendingShowState(MainWidget* window, ShowState state) {
  if (Live(window)) window->pendingShow = state;
}

ShowState PendingShowState(MainWidget* window) { return Live(window) ? window->pendingShow : ShowState::Normal; }

void ShowWithState(MainWidget* window, ShowState state) {
  if (!Live(window)) return;
  int command = state == ShowState::Maximised ? SW_SHOWMAXIMIZED
                : state == ShowState::Minimised ? SW_SHOWMINIMIZED
                                                : SW_SHOWNORMAL;
  ShowWindow(window->hwnd, command);
}

void InitialiseAndShow(MainWidget* window) {
  if (!Live(window)) return;
  MainWidget::Raise(window->events.initialised);
  if (!Live(window)) return;
  window->initialised = true;
  MainWidget::Raise(window->events.resized);
  ShowWithState(window, window->pendingShow);
  if (!Live(window)) return;
  SetForegroundWindow(window->hwnd);
  // The whole first frame, the pane and the bar with it, is drawn now; what waits for it runs
  // next, before any other message of the queue.
  RedrawWindow(window->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  MSG none;  // a look into the queue hands the drawing to the screen (see BarPaintNow)
  PeekMessageW(&none, window->hwnd, WM_NULL, WM_NULL, PM_NOREMOVE | PM_NOYIELD);
  window->shown = true;
  RunLater(0, [window] { RunFirstFrameTasks(window); });
}

static void RunFirstFrameTasks(MainWidget* window) {
  if (!Live(window)) return;
  std::vector<std::function<void()>> tasks;
  tasks.swap(window->afterFirstFrame);
  for (auto& task : tasks) task();
}

// A window not shown yet keeps the task for its first frame (a minimized window has none to wait for).
void RunAfterFirstFrame(MainWidget* window, std::function<void()> task) {
  if (!Live(window) || window->shown || window->pendingShow == ShowState::Minimised) {
    task();
    return;
  }
  window->afterFirstFrame.push_back(std::move(task));
}

// GetMessage sleeps until a message arrives: the idle program costs nothing.
void RunMessageLoop(MainWidget* window) {
  MSG msg;
  while (IsWindow(window) && GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
}

bool IsWindowVisible(MainWidget* window) { return Live(window) && ::IsWindowVisible(window->hwnd); }

void ProcessPendingEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) break;
    Dispatch(msg);
  }
}

Rect WindowNormalRect(MainWidget* window) {
  if (!Live(window)) return Rect{0, 0, 0, 0};
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  GetWindowPlacement(window->hwnd, &placement);
  const RECT& r = placement.rcNormalPosition;
  return Rect{r.left, r.top, r.right, r.bottom};
}

Rect WindowScreenRect(MainWidget* window) {
  RECT r{};
  if (!IsWindow(window) || !GetWindowRect(window->hwnd, &r)) return Rect{0, 0, 0, 0};
  return Rect{r.left, r.top, r.right, r.bottom};
}

ShowState WindowShowState(MainWidget* window) {
  if (!Live(window)) return ShowState::Normal;
  if (IsIconic(window->hwnd)) return ShowState::Minimised;
  if (IsZoomed(window->hwnd)) return ShowState::Maximised;
  return ShowState::Normal;
}

void ClientSize(MainWidget* window, int& width, int& height) {
  RECT r = {0, 0, 0, 0};
  if (Live(window)) GetClientRect(window->hwnd, &r);
  width = r.right - r.left;
  height = r.bottom - r.top;
}

Rect WorkArea() {
  RECT r = {0, 0, 1920, 1080};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return Rect{r.left, r.top, r.right, r.bottom};
}

static BOOL CALLBACK AddMonitorWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  auto* areas = reinterpret_cast<std::vector<Rect>*>(list);
  Rect area{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  if (info.dwFlags & MONITORINFOF_PRIMARY) areas->insert(areas->begin(), area);
  else areas->push_back(area);
  return TRUE;
}

std::vector<Rect> ScreenWorkAreas() {
  std::vector<Rect> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitorWorkArea, reinterpret_cast<LPARAM>(&areas));
  if (areas.empty()) areas.push_back(WorkArea());
  return areas;
}

static double ScreenDpi(int axis) {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, axis) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96.0;
}

double ScreenDpiX() { return ScreenDpi(LOGPIXELSX); }
double ScreenDpiY() { return ScreenDpi(LOGPIXELSY); }

MainWindowRecord* RecordOfWindow(MainWidget* window) { return Live(window); }

// The window manager moves the window as if its caption had been grabbed.
void StartWindowDrag(MainWidget* window) {
  if (!Live(window)) return;
  ReleaseCapture();
  SendMessageW(window->hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

// A named mutex per settings file marks the reader that holds it; the system releases it when the
// process ends, however it ends.
bool ClaimSettingsFile(const std::string& settingsPath, std::function<void()> comeForward) {
  static std::map<std::string, HANDLE> claimedFiles;
  if (claimedFiles.count(settingsPath)) return true;
  std::string name = "vellumtide-" + Sha256Hex(settingsPath).substr(0, 32);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, Wide("Local\\" + name).c_str());
  if (!mutex) return true;  // no way to tell: better a reader than none
  bool taken = GetLastError() == ERROR_ALREADY_EXISTS;
  UINT message = RegisterWindowMessageW(Wide(name).c_str());
  if (taken) {
    CloseHandle(mutex);
    AllowSetForegroundWindow(ASFW_ANY);  // the running reader may take the foreground from this start
    if (message != 0) PostMessageW(HWND_BROADCAST, message, 0, 0);
    return false;
  }
  claimedFiles[settingsPath] = mutex;
  comeForwardMessage = message;
  comeForwardHandler = std::move(comeForward);
  return true;
}

void BringWindowToFront(MainWidget* window) {
  if (!Live(window)) return;
  if (IsIconic(window->hwnd)) ShowWindow(window->hwnd, SW_RESTORE);
  SetForegroundWindow(window->hwnd);
}

// ShellExecute's result is above 32 when a program took the address.
bool OpenUrl(const std::string& url) {
  auto result = ShellExecuteW(nullptr, L"open", Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool StartProgram(const std::string& path) {
  std::wstring commandLine = L"\"" + Wide(path) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void SleepMs(int milliseconds) {
  if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace vt
