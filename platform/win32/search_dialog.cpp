// The search box over the Windows API: a black caption-less dialog made from a template in memory,
// with an edit control, a bitmap button and the "ESC" button. RunSearchDialog disables the owner
// window and runs the dialog's own message loop (IsDialogMessage turns Enter into IDOK and Esc
// into IDCANCEL) until EndSearchDialog, or until the dialog is gone with its owner (the reader's
// window ended while the box was open). The dialog only reports; the program reads the text and
// ends it. Everything here runs on the user-interface thread.
#include "platform/search_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "platform/testing.h"
#include "platform/win32/main_widget.h"

namespace vt {

static constexpr int kBoxId = 100, kSearchId = 101, kEscId = 102;
// Black, so that the white box and the light buttons stand out from it at 7:1 or more.
static const COLORREF kBackground = RGB(0, 0, 0);

class SearchDialogView {
 public:
  SearchDialogLook look;
  SearchBoxLayout layout;  // the shared design fitted inside the reader's window
  SearchDialogEvents events;
  HWND hwnd = nullptr, box = nullptr, searchButton = nullptr, escButton = nullptr, owner = nullptr;
  HFONT font = nullptr;
  HBRUSH ground = nullptr;
  HBITMAP icon = nullptr;
  bool ended = false;  // set by EndSearchDialog; the loop in RunSearchDialog then stops
};

static void Raise(const std::function<void()>& callback) {
  if (callback) callback();
}

static SearchDialogView* ViewOf(HWND dialog) {
  return reinterpret_cast<SearchDialogView*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// A right-click in the text box belongs to the dialog, not to the box's own menu.
static LRESULT CALLBACK BoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (message == WM_CONTEXTMENU) {
    Raise(reinterpret_cast<SearchDialogView*>(data)->events.rightClicked);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, BoxProc, 0);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

static HWND CreateControl(SearchDialogView* view, const wchar_t* type, const std::wstring& text, DWORD style,
                          const Rect& at, int id) {
  HWND control = CreateWindowExW(type == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, type, text.c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, at.left, at.top, at.right - at.left,
                                 at.bottom - at.top,
                                 view->hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(view->font), FALSE);
  return control;
}

static void CreateControls(SearchDialogView* view) {
  const SearchDialogLook& look = view->look;
  const SearchBoxLayout& layout = view->layout;
  view->font = CreatePixelFont(look.fontFace, layout.fontPixelHeight, look.bold);
  view->ground = CreateSolidBrush(kBackground);
  SetWindowTextW(view->hwnd, Wide(look.caption).c_str());
  SendMessageW(view->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(view->font), FALSE);
  view->box = CreateControl(view, L"EDIT", Wide(look.text), ES_AUTOHSCROLL, layout.box, kBoxId);
  SetWindowSubclass(view->box, BoxProc, 0, reinterpret_cast<DWORD_PTR>(view));
  std::wstring iconName = Wide(look.iconName);
  CharUpperW(iconName.data());
  view->icon = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), iconName.c_str(), IMAGE_BITMAP,
                                               layout.iconSize, layout.iconSize, 0));
  view->searchButton = CreateControl(view, L"BUTTON", view->icon ? L"" : L"Go", view->icon ? BS_BITMAP : 0,
                                     layout.searchButton, kSearchId);
  if (view->icon) SendMessageW(view->searchButton, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(view->icon));
  view->escButton = CreateControl(view, L"BUTTON", L"ESC", 0, layout.escButton, kEscId);
  const Rect& dialog = layout.dialog;
  SetWindowPos(view->hwnd, nullptr, dialog.left, dialog.top, dialog.right - dialog.left, dialog.bottom - dialog.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

static void OnCommand(SearchDialogView* view, int id) {
  if (id == IDOK || id == kSearchId) Raise(view->events.searchPressed);
  if (id == IDCANCEL || id == kEscId) Raise(view->events.cancelPressed);
}

static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    auto* view = reinterpret_cast<SearchDialogView*>(lParam);
    view->hwnd = hwnd;
    CreateControls(view);
    return FALSE;
  }
  SearchDialogView* view = ViewOf(hwnd);
  if (!view) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(view, LOWORD(wParam));
      return TRUE;
    case WM_CONTEXTMENU: Raise(view->events.rightClicked); return TRUE;
    case WM_CLOSE: Raise(view->events.cancelPressed); return TRUE;
    // The reader's window went first and took its owned box along: the box's loop ends too.
    case WM_DESTROY: view->ended = true; return FALSE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(wParam), kBackground);
      return reinterpret_cast<INT_PTR>(view->ground);
    case WM_CTLCOLOREDIT:
      SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
      SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    default: return FALSE;
  }
}

SearchDialogView* CreateSearchDialog(const SearchDialogLook& look, SearchDialogEvents events) {
  auto* view = new SearchDialogView;
  view->look = look;
  view->layout = LayOutSearchBox(SearchBoxArea(look.within), look.fontPixelHeight);
  view->events = std::move(events);
  view->owner = GetActiveWindow();
  struct {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
  } blank = {{WS_POPUP | WS_BORDER, 0, 0, 0, 0, 0, 0}, 0, 0, 0};
  CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &blank.dialog, view->owner, DialogProc,
                             reinterpret_cast<LPARAM>(view));
  return view;
}

void RunSearchDialog(SearchDialogView* dialog) {
  if (!dialog || !dialog->hwnd) return;
  Raise(dialog->events.opened);
  if (dialog->owner) EnableWindow(dialog->owner, FALSE);
  ShowWindow(dialog->hwnd, SW_SHOW);
  SetForegroundWindow(dialog->hwnd);
  MSG msg;
  while (!dialog->ended) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(0);  // the program's own loop sees it too
      break;
    }
    if (IsDialogMessageW(dialog->hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // The owner is enabled before the dialog goes, so that it becomes the active window again.
  if (dialog->owner) EnableWindow(dialog->owner, TRUE);
  ShowWindow(dialog->hwnd, SW_HIDE);
  Raise(dialog->events.closed);
  if (IsWindow(dialog->hwnd)) DestroyWindow(dialog->hwnd);
  DeleteObject(dialog->font);
  DeleteObject(dialog->ground);
  if (dialog->icon) DeleteObject(dialog->icon);
  if (dialog->owner) SetActiveWindow(dialog->owner);
  delete dialog;
}

void EndSearchDialog(SearchDialogView* dialog) {
  if (dialog) dialog->ended = true;
}

void SetDialogTopmost(SearchDialogView* dialog) {
  if (dialog) SetWindowPos(dialog->hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SelectAllDialogText(SearchDialogView* dialog) {
  if (dialog) SendMessageW(dialog->box, EM_SETSEL, 0, -1);
}

void FocusDialogTextBox(SearchDialogView* dialog) {
  if (dialog) SetFocus(dialog->box);
}

std::string DialogText(SearchDialogView* dialog) {
  if (!dialog) return std::string();
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(dialog->box)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(dialog->box, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

// --- for tests (platform/testing.h) ------------------------------------------------------------

void TypeDialogText(SearchDialogView* dialog, const std::string& text) {
  if (!dialog) return;
  SendMessageW(dialog->box, EM_SETSEL, 0, -1);
  SendMessageW(dialog->box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void PressDialogEnter(SearchDialogView* dialog) {
  if (dialog) SendMessageW(dialog->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void PressDialogEscape(SearchDialogView* dialog) {
  if (dialog) SendMessageW(dialog->hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void ClickDialogButton(SearchDialogView* dialog, SearchDialogControl button) {
  if (!dialog) return;
  int id = button == SearchDialogControl::SearchButton ? kSearchId : kEscId;
  SendMessageW(dialog->hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void RightClickDialog(SearchDialogView* dialog) {
  if (dialog) SendMessageW(dialog->box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dialog->box), MAKELPARAM(10, 10));
}

static Rect RectIn(HWND control, HWND parent) {
  RECT r;
  GetWindowRect(control, &r);
  if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return Rect{r.left, r.top, r.right, r.bottom};
}

SearchDialogLooks LooksOfSearchDialog(SearchDialogView* dialog) {
  if (!dialog) return SearchDialogLooks{};
  DWORD start = 0, end = 0;
  SendMessageW(dialog->box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  int length = GetWindowTextLengthW(dialog->box);
  return SearchDialogLooks{RectIn(dialog->hwnd, nullptr),
                           RectIn(dialog->box, dialog->hwnd),
                           RectIn(dialog->searchButton, dialog->hwnd),
                           RectIn(dialog->escButton, dialog->hwnd),
                           length > 0 && start == 0 && static_cast<int>(end) == length,
                           GetFocus() == dialog->box,
                           static_cast<uint32_t>(GetRValue(kBackground)) << 16 | GetGValue(kBackground) << 8 | GetBValue(kBackground),
                           (GetWindowLongW(dialog->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0,
                           (GetWindowLongW(dialog->hwnd, GWL_STYLE) & WS_CAPTION) != WS_CAPTION};
}

}  // namespace vt
