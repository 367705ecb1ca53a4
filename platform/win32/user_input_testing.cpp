// What a user does to the Windows program's windows, for the tests (platform/testing.h): keys
// typed where the focus is, clicks at a point of the main window, a dropped file, the wheel over the
// pane, and what the pane draws. Each posts or sends the messages Windows would, and lets the
// message loop (ProcessPendingEvents) route them, so the shortcut routing and the controls' own
// handling run as they do for a user. User-interface thread only; no state kept between calls.
#include "platform/testing.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>  // DROPFILES

#include <cstring>
#include <map>

#include "platform/pane.h"
#include "platform/win32/main_widget.h"

namespace vt {
namespace {

UINT VirtualKey(const std::string& name) {
  static const std::map<std::string, UINT> named = {
      {"Space", VK_SPACE}, {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},  {"Return", VK_RETURN},
      {"Right", VK_RIGHT}, {"Down", VK_DOWN},     {"End", VK_END}, {"Delete", VK_DELETE}};
  if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return static_cast<UINT>(name[0]);
  if (name.size() >= 2 && name[0] == 'F') return VK_F1 + std::stoi(name.substr(1)) - 1;
  auto found = named.find(name);
  return found == named.end() ? 0 : found->second;
}

// Holds the modifier keys down in the thread's keyboard state for as long as it lives: the
// routing and the controls read them with GetKeyState, as for a real key.
class HeldModifiers {
 public:
  explicit HeldModifiers(unsigned modifiers) {
    GetKeyboardState(saved_);
    BYTE state[256];
    std::memcpy(state, saved_, sizeof state);
    auto hold = [&state](int key, bool down) { state[key] = down ? 0x80 : 0; };
    hold(VK_SHIFT, modifiers & kShiftHeld);
    hold(VK_CONTROL, modifiers & kCtrlHeld);
    hold(VK_MENU, modifiers & kAltHeld);
    SetKeyboardState(state);
  }
  ~HeldModifiers() { SetKeyboardState(saved_); }
  HeldModifiers(const HeldModifiers&) = delete;
  HeldModifiers& operator=(const HeldModifiers&) = delete;

 private:
  BYTE saved_[256];
};

BOOL CALLBACK FirstVisibleWindow(HWND hwnd, LPARAM found) {
  if (!::IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

// Where a key typed by the user goes: the focused window, or the thread's visible window.
HWND KeyTarget() {
  if (HWND focus = GetFocus()) return focus;
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FirstVisibleWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The deepest visible child of `parent` under a point of its client area; the point is moved into
// that child's client area.
HWND WindowUnder(HWND parent, POINT& point) {
  for (;;) {
    HWND child = ChildWindowFromPointEx(parent, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!child || child == parent) return parent;
    MapWindowPoints(parent, child, &point, 1);
    parent = child;
  }
}

struct ChildSearch {
  HWND parent;
  HWND pane;
  int bars;
};

BOOL CALLBACK CountBar(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  if (GetParent(hwnd) != search->parent || hwnd == search->pane || !::IsWindowVisible(hwnd)) return TRUE;
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, search->parent, reinterpret_cast<POINT*>(&r), 2);
  if (r.top == 0) ++search->bars;
  return TRUE;
}

}  // namespace

void TypeKey(const std::string& key, unsigned modifiers) {
  const UINT code = VirtualKey(key);
  HeldModifiers held(modifiers);
  if (HWND target = KeyTarget()) PostMessageW(target, WM_KEYDOWN, code, 1);
  ProcessPendingEvents();
  if (HWND target = KeyTarget()) PostMessageW(target, WM_KEYUP, code, 1 | (1u << 30) | (1u << 31));
  ProcessPendingEvents();
}

void ClickWindowAt(MainWidget* window, int x, int y, MouseButton button) {
  if (!IsWindow(window)) return;
  POINT point{x, y};
  HWND target = WindowUnder(window->hwnd, point);
  const LPARAM at = MAKELPARAM(point.x, point.y);
  if (button == MouseButton::Left) {
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    if (::IsWindow(target)) SendMessageW(target, WM_LBUTTONUP, 0, at);
  } else {
    SendMessageW(target, WM_RBUTTONDOWN, MK_RBUTTON, at);
    if (::IsWindow(target)) SendMessageW(target, WM_RBUTTONUP, 0, at);
  }
  ProcessPendingEvents();
}

void DropFileOnWindow(MainWidget* window, const std::string& path) {
  if (!IsWindow(window)) return;
  const std::wstring wide = Wide(path);
  const size_t bytes = sizeof(DROPFILES) + (wide.size() + 2) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);  // zeroed: the list ends in two nulls
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), wide.c_str(), wide.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  SendMessageW(window->hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // the window frees it
  ProcessPendingEvents();
}

void AskWindowToClose(MainWidget* window) {
  if (IsWindow(window)) SendMessageW(window->hwnd, WM_CLOSE, 0, 0);
}

int ShownBarCount(MainWidget* window) {
  if (!IsWindow(window)) return 0;
  ProcessPendingEvents();  // a bar replaced inside its own click is destroyed once that click ends
  ChildSearch search{window->hwnd, nullptr, 0};
  EnumChildWindows(window->hwnd, CountBar, reinterpret_cast<LPARAM>(&search));
  return search.bars;
}

void TurnPaneWheel(PaneView* pane, int delta, unsigned modifiers) {
  HWND hwnd = PaneHandle(pane);
  if (!hwnd) return;
  RECT r;
  GetWindowRect(hwnd, &r);
  WORD keys = 0;
  if (modifiers & kCtrlHeld) keys |= MK_CONTROL;
  if (modifiers & kShiftHeld) keys |= MK_SHIFT;
  HeldModifiers held(modifiers);
  SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<short>(delta)),
               MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
}

void GivePaneFocus(PaneView* pane) {
  if (HWND hwnd = PaneHandle(pane)) SendMessageW(hwnd, WM_SETFOCUS, 0, 0);
}

void RepaintPaneNow(PaneView* pane) {
  if (HWND hwnd = PaneHandle(pane)) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

int CountPanePixels(PaneView* pane, uint32_t rgb) {
  HWND hwnd = PaneHandle(pane);
  if (!hwnd) return 0;
  RECT client;
  GetClientRect(hwnd, &client);
  const int width = client.right, height = client.bottom;
  if (width <= 0 || height <= 0) return 0;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, image);
  // The control draws itself into the image, covered or not.
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
  int count = 0;
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i)
    if ((pixels[i] & 0xFFFFFF) == rgb) ++count;
  SelectObject(memory, old);
  DeleteObject(image);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return count;
}

int TextWidthInFont(const std::string& face, int pixelHeight, bool bold, const std::string& text) {
  HDC screen = GetDC(nullptr);
  HFONT font = CreatePixelFont(face, pixelHeight, bold);
  HGDIOBJ old = SelectObject(screen, font);
  const std::wstring wide = Wide(text);
  SIZE size{0, 0};
  GetTextExtentPoint32W(screen, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return size.cx;
}

}  // namespace vt
