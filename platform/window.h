// The main window, the event loop and the desktop services around them, over Qt. The program's
// logic sees the window only as a handle and a procedure that receives the messages below.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vt {

class MainWidget;
using WindowHandle = MainWidget*;

// Messages delivered to the window procedure (the numbers of the desktop messages they stand for).
constexpr unsigned WM_DESTROY = 0x0002;
constexpr unsigned WM_SIZE = 0x0005;
constexpr unsigned WM_SETCURSOR = 0x0020;
constexpr unsigned WM_NOTIFY = 0x004E;
constexpr unsigned WM_HELP = 0x0053;
constexpr unsigned WM_INITDIALOG = 0x0110;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned WM_MOUSEWHEEL = 0x020A;
constexpr unsigned WM_USER = 0x0400;

constexpr int SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2;
constexpr int MK_CONTROL = 0x0008;  // wheel: Ctrl was held (low word of wParam)
constexpr int NM_RCLICK = -5;

// Show commands, as the window placement reports them.
constexpr int SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3;

// A notification from a child control (WM_NOTIFY's lParam points to one).
struct NotifyHeader {
  int idFrom;
  int code;
  int itemSpec;  // the command id of the clicked bar button
};

struct Rect {
  int left, top, right, bottom;
};

// A keyboard shortcut: a key without Shift, Ctrl or Alt sends `command` as WM_COMMAND.
struct Accel {
  uint8_t flags;
  uint16_t key;  // virtual-key code: 'A' ... 'Z', VK_F3
  uint16_t command;
};
constexpr uint8_t FVIRTKEY = 1;
constexpr uint16_t VK_F3 = 0x72;

using WindowProc = intptr_t (*)(WindowHandle, unsigned message, intptr_t wParam, intptr_t lParam);

// Starts the desktop toolkit once per process (font look-alikes included); safe to call again.
void PlatformInit(int& argc, char** argv);

// Creates the hidden, frameless main window; every message goes to `proc`.
WindowHandle CreateMainWidget(int x, int y, int width, int height, const std::string& title, WindowProc proc);

// True while the window exists (it has not been ended).
bool IsWindow(WindowHandle window);

// Ends the window: WM_DESTROY reaches the procedure while the window still exists, then it goes.
void DestroyMainWidget(WindowHandle window);

std::string WindowTitle(WindowHandle window);
void SetWindowIconResource(WindowHandle window, const std::string& resourceName);
void SetWindowColours(WindowHandle window, uint32_t textRgb, uint32_t backgroundRgb);
void ResizeWindow(WindowHandle window, int width, int height);
void MoveWindow(WindowHandle window, int x, int y);

// The show state the window will be shown with (SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED).
void SetPendingShowState(WindowHandle window, int showCommand);
int PendingShowState(WindowHandle window);

// Shows the window normally, minimized or maximized (SW_SHOW...).
void ShowWithState(WindowHandle window, int showCommand);

// Delivers WM_INITDIALOG and WM_SIZE, then shows the window with its pending show state.
void InitialiseAndShow(WindowHandle window);

// Runs the event loop until the window has been ended.
void RunMessageLoop(WindowHandle window);

// True while the window is shown on the screen (not before its first show, not after it ends).
bool IsWindowVisible(WindowHandle window);

// True once the window has painted its first frame.
bool WindowHasPainted(WindowHandle window);

// Handles every event that is waiting, without blocking (tests drive the window with it).
void ProcessPendingEvents();

// Posts a message to the window; safe from any thread. It is delivered by the event loop.
void PostWindowMessage(WindowHandle window, unsigned message);

// Sends a message to the window procedure at once.
intptr_t SendWindowMessage(WindowHandle window, unsigned message, intptr_t wParam, intptr_t lParam);

Rect WindowNormalRect(WindowHandle window);
int WindowShowCommand(WindowHandle window);
bool IsIconic(WindowHandle window);
bool IsZoomed(WindowHandle window);
void ClientSize(WindowHandle window, int& width, int& height);

// The desktop's work area (the screen without panels) and its logical DPI.
Rect WorkArea();
double ScreenDpiX();
double ScreenDpiY();

// Attaches the shortcut table, replacing an earlier one.
void AttachAccelerators(WindowHandle window, const std::vector<Accel>& table);
std::vector<Accel> AttachedAccelerators(WindowHandle window);

// Lets the window manager move the window with the mouse while the left button is held.
void StartWindowDrag(WindowHandle window);

// The mouse position in the window's client coordinates.
void CursorClientPos(WindowHandle window, int& x, int& y);

void OpenUrl(const std::string& url);
bool StartProgram(const std::string& path);
void SleepMs(int milliseconds);

// Posts `message` to the window when the process is asked to end (SIGTERM, SIGINT, a desktop logout).
void PostOnTermination(WindowHandle window, unsigned message);

// Runs `callback` on the user-interface thread after `milliseconds`.
void RunLater(int milliseconds, std::function<void()> callback);

}  // namespace vt
