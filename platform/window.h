// The main window, the event loop and the desktop services around them. The program sees the
// window through the typed events it hands over when it creates it; each event runs on the
// user-interface thread. The window is one object of the back end, ended once: every function
// below accepts a window that has ended (or null) and then does nothing or answers nothing.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vt {

class MainWidget;

struct Rect {
  int left, top, right, bottom;
};

// What happens to the main window, in the program's terms.
struct MainWindowEvents {
  std::function<void()> initialised;                // once, before the window is first shown
  std::function<void()> resized;                    // its client area changed size
  std::function<void(int command)> command;         // a bar button or a shortcut key
  std::function<void()> cancelled;                  // Esc, or a close request from the window manager
  std::function<void(int command)> barRightClick;   // a right-click on a bar button (-1: on the bar, no button)
  std::function<void(int steps, bool ctrl)> wheel;  // the wheel over the window outside its children
  std::function<void(int x, int y)> pressed;        // a left press on the window itself (client coordinates)
  std::function<void()> help;                       // F1
  std::function<void()> closing;                    // the process is asked to end (SIGTERM, SIGINT, logout)
  std::function<void()> ended;                      // the window is ending: its last event, while it exists
  std::function<void(const std::string& path)> fileDropped;  // a local file dropped on the window
};

enum class ShowState { Normal, Minimised, Maximised };

// A keyboard shortcut: the key ("A" ... "Z", "F3", "Space") pressed without Shift, Ctrl or Alt runs
// the command; a letter with Ctrl alone is named "Ctrl+O". Space on a focused bar button presses that button instead.
struct Shortcut {
  std::string key;
  int command;
};

// Starts the desktop toolkit once per process (font look-alikes included); safe to call again.
void PlatformInit(int& argc, char** argv);

// The program's arguments as UTF-8, the program's own name first. On Windows they are read from the
// wide command line: the 8-bit ones lose every character outside the code page, so a book named
// "Café.txt" opened with the reader would not be found.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Creates the hidden, frameless main window at `area`; its events go to `events`.
MainWidget* CreateMainWidget(const Rect& area, const std::string& title, MainWindowEvents events);

// True while the window exists (it has not been ended).
bool IsWindow(MainWidget* window);

// Ends the window: `ended` runs while the window still exists, then it goes and the event loop stops.
void DestroyMainWidget(MainWidget* window);

void SetWindowIconResource(MainWidget* window, const std::string& resourceName);
void SetWindowColours(MainWidget* window, unsigned textRgb, unsigned backgroundRgb);
void ResizeWindow(MainWidget* window, int width, int height);
void MoveWindow(MainWidget* window, int x, int y);

// The show state the window will be shown with by InitialiseAndShow.
void SetPendingShowState(MainWidget* window, ShowState state);

// Runs `initialised` and `resized`, then shows the window with its pending show state.
void InitialiseAndShow(MainWidget* window);

// Runs `task` once the window's first frame is on the screen, so that only what that frame shows
// keeps the window from appearing. Anything else that would reach the program sooner (a key, a
// click, a timer, a request to end) runs the task first. A window that has been drawn already, or
// a back end that cannot tell, runs it at once.
void RunAfterFirstFrame(MainWidget* window, std::function<void()> task);

// Runs the event loop until the window has been ended.
void RunMessageLoop(MainWidget* window);

// True while the window is shown on the screen (not before its first show, not after it ends).
bool IsWindowVisible(MainWidget* window);

// The window's place and size when neither minimized nor maximized, and its show state now.
Rect WindowNormalRect(MainWidget* window);
ShowState WindowShowState(MainWidget* window);
// The window's place and size on the screen now (all zero when there is no window).
Rect WindowScreenRect(MainWidget* window);
void ClientSize(MainWidget* window, int& width, int& height);

// The desktop's work area (the screen without panels) and its logical DPI.
Rect WorkArea();
// The work area of every screen, the primary screen's first.
std::vector<Rect> ScreenWorkAreas();
double ScreenDpiX();
double ScreenDpiY();

// Attaches the shortcut table, replacing an earlier one.
void AttachShortcuts(MainWidget* window, const std::vector<Shortcut>& table);

// Lets the window manager move the window with the mouse while the left button is held, once the
// pointer moves; a press and release without a move is an ordinary click.
void StartWindowDrag(MainWidget* window);

// Makes this process the one reader of the settings file at `settingsPath` for as long as it runs
// (a second claim of the same path by this process succeeds). False when another running reader
// holds it: that reader has been asked to come to the front. `comeForward` runs on the
// user-interface thread whenever a later start asks this process to come to the front.
bool ClaimSettingsFile(const std::string& settingsPath, std::function<void()> comeForward);

// Shows the window in front of the others with the keyboard focus (restored when it was minimized).
void BringWindowToFront(MainWidget* window);

// Opens a web address in the desktop's browser; false when there is none to open it.
bool OpenUrl(const std::string& url);
bool StartProgram(const std::string& path);
void SleepMs(int milliseconds);

// Runs `callback` on the user-interface thread after `milliseconds`; safe from any thread.
void RunLater(int milliseconds, std::function<void()> callback);

}  // namespace vt
