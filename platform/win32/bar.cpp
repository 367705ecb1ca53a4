// The icon bar over the Windows API: a "ToolbarWindow32" control with an image list of the bar
// icons (bitmaps drawn from the SVGs at build time and embedded as resources), buttons that size
// themselves from icon and label, and a static control for the notices. The toolbar hands a click
// to the main window as WM_COMMAND from inside its own mouse handling, so a command may rebuild
// the bar from inside the click of one of its buttons; such a bar is only hidden then, and
// destroyed once control is back in the message loop.
//
// The keyboard reaches the buttons through the toolbar window itself: while it has the focus, the
// bar keeps the index of the framed button, moves it with Tab and Shift+Tab (past either end the
// focus goes to the reading pane) and presses it with Enter or Space; the frame is painted over
// the toolbar's own drawing.
#include "platform/bar.h"
#include "platform/font_limits.h"

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <vector>

#include "platform/files.h"
#include "platform/testing.h"
#include "platform/win32/main_widget.h"

namespace vt {

constexpr int kEmbeddedIconSize = 128;  // the size the icons are drawn at when the program is built
constexpr int kFocusFrame = 6;          // the width of the keyboard focus mark
const COLORREF kBarFace = RGB(0xF0, 0xF0, 0xF0);
const COLORREF kFocusColour = RGB(0, 0, 0);

static std::wstring ResourceName(const std::string& name) {
  std::wstring wide = Wide(name);
  CharUpperW(wide.data());
  return wide;
}

// ---- image lists

class BarImages {
 public:
  explicit BarImages(int iconSize) : size(std::min(iconSize, kLargestIcon)) {
    if (size >= 1) list = ImageList_Create(size, size, ILC_COLOR32, 24, 4);
    MarkLive(this);
  }
  ~BarImages() {
    MarkGone(this);
    if (list) ImageList_Destroy(list);
  }
  int size;
  int count = 0;
  HIMAGELIST list = nullptr;
  std::vector<std::string> names;  // the icons' resources, for lists drawn at other sizes
};

BarImages* BarImagesCreate(int size) { return new BarImages(size); }

void BarImagesDestroy(BarImages* images) { delete Live(images); }

// A bitmap of size x size: the embedded icon scaled, or the bar's face when there is none.
static HBITMAP IconBitmap(HBITMAP embedded, int size) {
  HDC screen = GetDC(nullptr);
  HDC target = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  HGDIOBJ oldTarget = SelectObject(target, bitmap);
  RECT all = {0, 0, size, size};
  HBRUSH face = CreateSolidBrush(kBarFace);
  FillRect(target, &all, face);
  DeleteObject(face);
  if (embedded) {
    HDC source = CreateCompatibleDC(screen);
    HGDIOBJ oldSource = SelectObject(source, embedded);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, size, size, source, 0, 0, kEmbeddedIconSize, kEmbeddedIconSize, SRCCOPY);
    SelectObject(source, oldSource);
    DeleteDC(source);
  }
  SelectObject(target, oldTarget);
  DeleteDC(target);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

bool BarImagesAddIcon(BarImages* images, const std::string& resourceName) {
  if (!Live(images)) return false;
  auto embedded = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), ResourceName(resourceName).c_str(),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ++images->count;
  images->names.push_back(resourceName);
  if (images->list) {
    HBITMAP bitmap = IconBitmap(embedded, images->size);
    ImageList_Add(images->list, bitmap, nullptr);
    DeleteObject(bitmap);
  }
  if (embedded) DeleteObject(embedded);
  return embedded != nullptr;
}

int BarImagesCount(BarImages* images) { return Live(images) ? images->count : 0; }
int BarImagesSize(BarImages* images) { return Live(images) ? std::max(0, images->size) : 0; }

// ---- the bar

class BarView {
 public:
  HWND hwnd = nullptr;
  MainWidget* owner = nullptr;
  BarImages* images = nullptr;
  HFONT font = nullptr;             // the labels' type as fitted
  FontRequest labelFont{"", 0, false};  // the type the program asked for: the most the fit gives
  int fittedPixels = 0;             // the pixel height of `font`
  HIMAGELIST fittedIcons = nullptr;  // the icons drawn smaller to fit, when they are
  int fittedIconSize = 0;
  std::vector<FitLayout> layouts;   // the button sets this bar takes turns with (none: its own)
  std::map<std::pair<int, std::string>, int> labelWidths;  // measured so far, by pixel height and label
  std::vector<FitButton> fitButtons;  // the bar's own buttons as the fit sees them
  std::vector<BarButtonInfo> buttons;
  std::deque<std::wstring> texts;  // the labels the toolbar's buttons point to
  int focused = 0;                 // the framed button while the toolbar has the focus
};

static void Detach(BarView* bar) {
  MarkGone(bar);
  if (MainWidget* owner = Live(bar->owner)) std::erase(owner->bars, bar);
}

// A mouse press on a button leaves the keyboard focus where it was.
static LRESULT KeepFocusWhere(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND before = GetFocus();
  LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  if (before != hwnd && GetFocus() == hwnd && ::IsWindow(before)) SetFocus(before);
  return result;
}

static bool HasKeyboardFocus(const BarView* bar) {
  return GetFocus() == bar->hwnd && bar->focused >= 0 && bar->focused < static_cast<int>(bar->buttons.size());
}

// The focus mark: a black frame drawn inside the edge of the focused button.
static void PaintFocusFrame(BarView* bar) {
  if (!HasKeyboardFocus(bar)) return;
  RECT r;
  if (!SendMessageW(bar->hwnd, TB_GETITEMRECT, static_cast<WPARAM>(bar->focused), reinterpret_cast<LPARAM>(&r))) return;
  HDC dc = GetDC(bar->hwnd);
  HBRUSH black = CreateSolidBrush(kFocusColour);
  const RECT sides[] = {{r.left, r.top, r.right, r.top + kFocusFrame},
                        {r.left, r.bottom - kFocusFrame, r.right, r.bottom},
                        {r.left, r.top, r.left + kFocusFrame, r.bottom},
                        {r.right - kFocusFrame, r.top, r.right, r.bottom}};
  for (const RECT& side : sides) FillRect(dc, &side, black);
  DeleteObject(black);
  ReleaseDC(bar->hwnd, dc);
}

static void MoveFocusFrame(BarView* bar, int index) {
  bar->focused = index;
  InvalidateRect(bar->hwnd, nullptr, TRUE);
}

// The reading pane beside the bar takes the keyboard focus.
static void FocusPane(BarView* bar) {
  if (HWND pane = FindWindowExW(GetParent(bar->hwnd), nullptr, MSFTEDIT_CLASS, nullptr)) SetFocus(pane);
}

// Tab and Shift+Tab: the next or previous button, and from either end the reading pane.
static void TabFrom(BarView* bar, bool backwards) {
  int next = bar->focused + (backwards ? -1 : 1);
  if (next >= 0 && next < static_cast<int>(bar->buttons.size()))
    MoveFocusFrame(bar, next);
  else
    FocusPane(bar);
}

// Enter and Space press the framed button as a click does; the bar may be gone afterwards.
static void PressFocused(BarView* bar) {
  int command = bar->buttons[static_cast<size_t>(bar->focused)].command;
  SendMessageW(GetParent(bar->hwnd), WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), reinterpret_cast<LPARAM>(bar->hwnd));
}

// The keys of the focused bar; false for a key the toolbar handles itself. A held Space presses
// the button once, as a push button does.
static bool HandleKey(BarView* bar, WPARAM key, bool repeated) {
  bool modified = (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000);
  if (modified || !HasKeyboardFocus(bar)) return false;
  switch (key) {
    case VK_TAB: TabFrom(bar, (GetKeyState(VK_SHIFT) & 0x8000) != 0); return true;
    case VK_SPACE: if (!repeated) PressFocused(bar); return true;
    case VK_RETURN: PressFocused(bar); return true;
    default: return false;
  }
}

static LRESULT CALLBACK BarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* bar = reinterpret_cast<BarView*>(data);
  switch (message) {
    case WM_PAINT: {
      LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
      PaintFocusFrame(bar);
      return result;
    }
    case WM_SETFOCUS: case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, TRUE); break;
    case WM_KEYDOWN:
      if (HandleKey(bar, wParam, (lParam & (1 << 30)) != 0)) return 0;
      break;
    case WM_CHAR:
      if (wParam == L'\t' || wParam == L'\r' || wParam == L' ') return 0;  // their key has done its work
      break;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH face = CreateSolidBrush(kBarFace);
      FillRect(reinterpret_cast<HDC>(wParam), &r, face);
      DeleteObject(face);
      return 1;
    }
    case WM_LBUTTONDOWN: {
      // A press on the empty part of the bar is a press on the window (it starts the window drag).
      POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (Live(bar) && SendMessageW(hwnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&at)) < 0 && Live(bar->owner)) {
        MapWindowPoints(hwnd, bar->owner->hwnd, &at, 1);
        MainWidget::Raise(bar->owner->events.pressed, static_cast<int>(at.x), static_cast<int>(at.y));
        return 0;
      }
      return KeepFocusWhere(hwnd, message, wParam, lParam);
    }
    case WM_RBUTTONDOWN: return KeepFocusWhere(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, BarProc, 0);
      Detach(bar);
      if (bar->font) DeleteObject(bar->font);
      if (bar->fittedIcons) ImageList_Destroy(bar->fittedIcons);
      delete bar;
      return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

BarView* BarCreate(MainWidget* parent) {
  if (!IsWindow(parent)) return nullptr;
  RECT client;
  GetClientRect(parent->hwnd, &client);
  auto* bar = new BarView;
  bar->owner = parent;
  bar->hwnd = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TBSTYLE_FLAT | CCS_NORESIZE |
                                  CCS_NODIVIDER | CCS_NOPARENTALIGN,
                              0, 0, client.right, 0, parent->hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!bar->hwnd) {
    delete bar;
    return nullptr;
  }
  SendMessageW(bar->hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SetWindowSubclass(bar->hwnd, BarProc, 0, reinterpret_cast<DWORD_PTR>(bar));
  MarkLive(bar);
  parent->bars.push_back(bar);
  return bar;
}

void BarDestroy(BarView* bar) {
  if (!Live(bar)) return;
  if (barClicksInProgress == 0) {
    DestroyWindow(bar->hwnd);
    return;
  }
  // One of this bar's buttons may still be on the call stack: take it out of sight now and
  // destroy it once that click has returned.
  Detach(bar);
  ShowWindow(bar->hwnd, SW_HIDE);
  HWND hwnd = bar->hwnd;
  RunSoon([hwnd] {
    if (::IsWindow(hwnd)) DestroyWindow(hwnd);
  });
}

// ---- the fit to the window's width (the rule itself is platform/bar_fit.h)

static void SetLabelPixels(BarView* bar, int pixels);

// Label widths in the bar's face, each measured once.
static LabelWidth Measure(BarView* bar) {
  return [bar](int pixels, const std::string& label) {
    auto key = std::make_pair(pixels, label);
    auto known = bar->labelWidths.find(key);
    if (known != bar->labelWidths.end()) return known->second;
    FontRequest font = bar->labelFont;
    font.pixelHeight = pixels;
    return bar->labelWidths[key] = TextPixelWidth(font, label);
  };
}

static int LabelLineHeight(BarView* bar) {
  HDC dc = GetDC(bar->hwnd);
  HGDIOBJ old = SelectObject(dc, bar->font);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(bar->hwnd, dc);
  return metrics.tmHeight;
}

// The bar's icons at the fitted size: the list itself at its own size, else a copy drawn smaller.
static void ShowIconsAt(BarView* bar, int size) {
  BarImages* images = Live(bar->images);
  if (!images || !images->list) return;
  HIMAGELIST shown = images->list;
  if (size < images->size) {
    if (!bar->fittedIcons || bar->fittedIconSize != size) {
      if (bar->fittedIcons) ImageList_Destroy(bar->fittedIcons);
      bar->fittedIcons = ImageList_Create(size, size, ILC_COLOR32, static_cast<int>(images->names.size()), 4);
      bar->fittedIconSize = size;
      for (const std::string& name : images->names) {
        auto embedded = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), ResourceName(name).c_str(),
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        HBITMAP bitmap = IconBitmap(embedded, size);
        ImageList_Add(bar->fittedIcons, bitmap, nullptr);
        DeleteObject(bitmap);
        if (embedded) DeleteObject(embedded);
      }
    }
    shown = bar->fittedIcons;
  }
  if (reinterpret_cast<HIMAGELIST>(SendMessageW(bar->hwnd, TB_GETIMAGELIST, 0, 0)) != shown)
    SendMessageW(bar->hwnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(shown));
}

// Sizes the buttons by the fit for a window `width` wide: icons, type and each button's width as
// on every system, all buttons one height, the bar as high as they are.
static void Arrange(BarView* bar, int width) {
  BarImages* images = Live(bar->images);
  int iconSize = images && images->list ? std::max(0, images->size) : 0;
  const std::vector<FitLayout> turns = bar->layouts.empty() ? std::vector<FitLayout>{bar->fitButtons} : bar->layouts;
  BarFit fit = FitBarLayouts(width - kDragRoom, iconSize, bar->labelFont.pixelHeight, turns, Measure(bar));
  SetLabelPixels(bar, fit.labelPixels);
  ShowIconsAt(bar, fit.icon);
  bool anyIcon = std::any_of(bar->fitButtons.begin(), bar->fitButtons.end(), [](const FitButton& b) { return b.hasIcon; });
  int icon = anyIcon ? fit.icon : 0;
  int height = icon + (icon ? kIconLabelGap : 0) + LabelLineHeight(bar) + 2 * kButtonPadY;
  SendMessageW(bar->hwnd, TB_SETINDENT, kBarMargin, 0);
  SendMessageW(bar->hwnd, TB_SETPADDING, 0, MAKELPARAM(2 * fit.padding, 2 * kButtonPadY));
  SendMessageW(bar->hwnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(0, height));
  for (std::size_t i = 0; i < bar->fitButtons.size(); ++i) {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_BYINDEX | TBIF_SIZE;
    info.cx = static_cast<WORD>(std::clamp(FitButtonWidth(bar->fitButtons[i], fit, Measure(bar)), 0, 0xFFFF));
    SendMessageW(bar->hwnd, TB_SETBUTTONINFOW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
  }
  int bottom = height;
  for (int i = 0; i < BarButtonCount(bar); ++i) bottom = std::max(bottom, static_cast<int>(BarButtonRect(bar, i).bottom));
  SetWindowPos(bar->hwnd, nullptr, 0, 0, width, bottom + 2 * kBarMargin, SWP_NOZORDER | SWP_NOACTIVATE);
}

void BarFollowWindowWidth(BarView* bar, int width) {
  if (!Live(bar)) return;
  if (!bar->buttons.empty()) {
    Arrange(bar, width);
    return;
  }
  RECT r;
  GetWindowRect(bar->hwnd, &r);
  SetWindowPos(bar->hwnd, nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static BarView* BarOfWindow(MainWidget* window, HWND hwnd) {
  for (BarView* bar : window->bars)
    if (bar->hwnd == hwnd) return bar;
  return nullptr;
}

bool BarHandlesNotify(MainWidget* window, const NMHDR* header) {
  if (!header || header->code != NM_RCLICK || !BarOfWindow(window, header->hwndFrom)) return false;
  const auto* mouse = reinterpret_cast<const NMMOUSE*>(header);
  int command = mouse->dwItemSpec == static_cast<DWORD_PTR>(-1) ? -1 : static_cast<int>(mouse->dwItemSpec);
  ++barClicksInProgress;
  MainWidget::Raise(window->events.barRightClick, command);
  --barClicksInProgress;
  return true;
}

static void SetLabelPixels(BarView* bar, int pixels) {
  if (bar->font && bar->fittedPixels == pixels) return;
  HFONT old = bar->font;
  bar->font = CreatePixelFont(bar->labelFont.face, pixels, bar->labelFont.bold);
  bar->fittedPixels = pixels;
  SendMessageW(bar->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(bar->font), TRUE);
  if (old) DeleteObject(old);
}

void BarSetFont(BarView* bar, const FontRequest& font) {
  if (!Live(bar)) return;
  bar->labelFont = font;
  bar->labelFont.pixelHeight = LabelPixelHeight(font.pixelHeight);
  bar->labelWidths.clear();
  SetLabelPixels(bar, bar->labelFont.pixelHeight);
}

void BarSetImages(BarView* bar, BarImages* images) {
  if (!Live(bar)) return;
  bar->images = Live(images);
  HIMAGELIST list = bar->images ? bar->images->list : nullptr;
  SendMessageW(bar->hwnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
  if (!list) SendMessageW(bar->hwnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
}

// The toolbar's own accessibility names each button by its text, the label, as on Linux.
void BarAddButton(BarView* bar, int image, int command, const std::string& label, const ButtonSpeech& speech,
                  const std::vector<std::string>& otherLabels) {
  if (!Live(bar)) return;
  bar->texts.push_back(Wide(BytesToUtf8(label)));
  BarImages* images = Live(bar->images);
  bool hasImage = images && images->list && image >= 0 && image < images->count;
  TBBUTTON button = {};
  button.iBitmap = hasImage ? image : I_IMAGENONE;
  button.idCommand = command;
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = BTNS_BUTTON;  // its width is the fit's (BarAutoSize)
  button.iString = reinterpret_cast<INT_PTR>(bar->texts.back().c_str());
  SendMessageW(bar->hwnd, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  bar->buttons.push_back(BarButtonInfo{image, command, label, speech.name, speech.description});
  FitButton fitted{hasImage, {BytesToUtf8(label)}};
  for (const std::string& other : otherLabels) fitted.labels.push_back(BytesToUtf8(other));
  bar->fitButtons.push_back(fitted);
}

void BarSetTurns(BarView* bar, const std::vector<FitLayout>& layouts) {
  if (!Live(bar)) return;
  bar->layouts = layouts;
  for (FitLayout& layout : bar->layouts)
    for (FitButton& button : layout)
      for (std::string& label : button.labels) label = BytesToUtf8(label);
}

int BarFocusedButton(BarView* bar) { return Live(bar) && HasKeyboardFocus(bar) ? bar->focused : -1; }

void BarFocusButton(BarView* bar, int index) {
  if (!Live(bar) || index < 0 || index >= static_cast<int>(bar->buttons.size())) return;
  MoveFocusFrame(bar, index);
  SetFocus(bar->hwnd);
}

Rect BarButtonRect(BarView* bar, int index) {
  RECT r = {0, 0, 0, 0};
  if (Live(bar) && index >= 0 && index < static_cast<int>(bar->buttons.size()))
    SendMessageW(bar->hwnd, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return Rect{r.left, r.top, r.right, r.bottom};
}

void BarAutoSize(BarView* bar) {
  if (!Live(bar)) return;
  RECT parent = {0, 0, 0, 0};
  if (Live(bar->owner)) GetClientRect(bar->owner->hwnd, &parent);
  Arrange(bar, parent.right);
}

void BarSetVisible(BarView* bar, bool visible) {
  if (!Live(bar)) return;
  // A notice that hides the focused bar leaves the keyboard with the pane, not with the window.
  if (!visible && GetFocus() == bar->hwnd) FocusPane(bar);
  ShowWindow(bar->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

// Puts what a window has drawn on the screen now, while the thread goes on to other work: a
// look into the queue for a message that never comes lets the system hand the drawing on (Wine
// does so only when a look finds the queue without the message asked for; Windows at once).
static void ShowDrawnNow(HWND hwnd) {
  MSG none;
  PeekMessageW(&none, hwnd, WM_NULL, WM_NULL, PM_NOREMOVE | PM_NOYIELD);
}

void BarPaintNow(BarView* bar) {
  if (!Live(bar) || !::IsWindowVisible(bar->hwnd)) return;
  RedrawWindow(bar->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ShowDrawnNow(bar->hwnd);
}

bool BarIsVisible(BarView* bar) { return Live(bar) && (GetWindowLongW(bar->hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

Rect BarWindowRect(BarView* bar) {
  if (!Live(bar)) return Rect{0, 0, 0, 0};
  RECT r;
  GetWindowRect(bar->hwnd, &r);
  MapWindowPoints(nullptr, GetParent(bar->hwnd), reinterpret_cast<POINT*>(&r), 2);
  return Rect{r.left, r.top, r.right, r.bottom};
}

int BarButtonCount(BarView* bar) { return Live(bar) ? static_cast<int>(bar->buttons.size()) : 0; }

BarButtonInfo BarButtonAt(BarView* bar, int index) {
  if (!Live(bar) || index < 0 || index >= static_cast<int>(bar->buttons.size())) return BarButtonInfo{-1, 0, "", "", ""};
  return bar->buttons[static_cast<size_t>(index)];
}

// ---- the message label

class BarLabel {
 public:
  HWND hwnd = nullptr;
  HFONT font = nullptr;
};

static LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (message == WM_NCDESTROY) {
    auto* label = reinterpret_cast<BarLabel*>(data);
    RemoveWindowSubclass(hwnd, LabelProc, 0);
    MarkGone(label);
    if (label->font) DeleteObject(label->font);
    delete label;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

int TextPixelWidth(const FontRequest& font, const std::string& text) {
  HFONT handle = CreatePixelFont(font.face, LabelPixelHeight(font.pixelHeight), font.bold);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, handle);
  std::wstring wide = Wide(BytesToUtf8(text));
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(handle);
  return size.cx;
}

// A static control centred vertically shows one line; a wrapped notice gives that up.
BarLabel* BarLabelCreate(MainWidget* parent, const Rect& area, const std::string& text, const FontRequest& font,
                         bool wrap) {
  if (!IsWindow(parent)) return nullptr;
  auto* label = new BarLabel;
  DWORD style = WS_CHILD | WS_BORDER | SS_CENTER | SS_NOPREFIX | (wrap ? 0 : SS_CENTERIMAGE);
  label->hwnd = CreateWindowExW(0, L"STATIC", Wide(BytesToUtf8(text)).c_str(), style, area.left, area.top,
                                std::max(0, area.right - area.left), std::max(0, area.bottom - area.top),
                                parent->hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!label->hwnd) {
    delete label;
    return nullptr;
  }
  label->font = CreatePixelFont(font.face, LabelPixelHeight(font.pixelHeight), font.bold);
  SendMessageW(label->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(label->font), FALSE);
  SetWindowSubclass(label->hwnd, LabelProc, 0, reinterpret_cast<DWORD_PTR>(label));
  MarkLive(label);
  SetWindowPos(label->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  return label;
}

void BarLabelSetText(BarLabel* label, const std::string& text) {
  if (Live(label)) SetWindowTextW(label->hwnd, Wide(BytesToUtf8(text)).c_str());
}

void BarLabelPaintNow(BarLabel* label) {
  if (!Live(label) || !::IsWindowVisible(label->hwnd)) return;
  RedrawWindow(label->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ShowDrawnNow(label->hwnd);
}

void BarLabelDestroy(BarLabel* label) {
  if (Live(label)) DestroyWindow(label->hwnd);
}

bool BarLabelExists(BarLabel* label) { return Live(label) != nullptr; }

}  // namespace vt
