// What the Windows back end's files share: the main window's record (the bar hands its clicks to
// it), the register of usable objects, and the conversions between the program's UTF-8 and the
// Windows API's UTF-16. Everything here belongs to the user-interface thread.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/live_objects.h"
#include "platform/main_window_record.h"
#include "platform/window.h"

namespace vt {

class BarView;
class PaneView;

class MainWidget : public MainWindowRecord {
 public:
  HWND hwnd = nullptr;
  std::vector<BarView*> bars;     // bars that follow the window's width
  HBRUSH background = nullptr;    // the client area's colour
  COLORREF textColour = RGB(0, 0, 0);
  bool initialised = false;       // size changes are reported only once the program has set up the window
  bool shown = false;             // the first frame has been drawn, children included
  std::vector<std::function<void()>> afterFirstFrame;  // tasks waiting for that frame
};


std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// A GDI font for a face, pixel height and weight; the caller deletes it.
HFONT CreatePixelFont(const std::string& face, int pixelHeight, bool bold);

// Bar clicks being handled now (a bar destroyed inside one of its own clicks is deleted later).
extern int barClicksInProgress;

// Lets the bar follow its window and the window's messages reach the bar.
void BarFollowWindowWidth(BarView* bar, int width);
bool BarHandlesNotify(MainWidget* window, const NMHDR* header);

// The pane's rich-edit control, or null once the pane is gone.
HWND PaneHandle(PaneView* pane);

// Runs `callback` on the user-interface thread once the current message has been handled.
void RunSoon(std::function<void()> callback);

}  // namespace vt
