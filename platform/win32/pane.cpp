// The reading pane over the Windows API: a "RichEdit50W" control (loaded from Msftedit.dll by
// PlatformInit). The control itself keeps the text, counts the display lines, reads the
// wide-spacing rich text (EM_STREAMIN), underlines ranges (CHARFORMAT2) and shows web addresses as
// links; word breaks and finds follow the rules both systems share (word_breaks.h, text_search.h)
// over the system's Unicode tables, the find over a folded copy of the text kept until the text
// changes. The control's window procedure is subclassed to raise the program's events after the
// control has handled each message, and to put back the pane's wide caret whenever the control has
// made its own thin one. Tab and Shift+Tab go on to the first or last button of the bar; a file
// dropped on the pane goes to the main window. Screen readers learn the pane's name through Active
// Accessibility's annotation of the control's window (the window text is the book itself).
// Everything here runs on the user-interface thread.
#include "platform/pane.h"
#include "platform/files.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>
#include <initguid.h>  // the annotation service's ids are defined here: the program links no oleacc
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include "platform/bar.h"
#include "platform/first_screen.h"
#include "platform/font_limits.h"
#include "platform/pane_ranges.h"
#include "platform/scheme_colours.h"
#include "platform/testing.h"
#include "platform/text_search.h"
#include "platform/web_addresses.h"
#include "platform/word_breaks.h"
#include "platform/win32/main_widget.h"

namespace vt {


class PaneView {
 public:
  HWND hwnd = nullptr;
  MainWidget* owner = nullptr;
  PaneEvents events;
  int caretWidth = 0, caretHeight = 0;  // the pane's caret (0: the control's own)
  bool redraw = true;                   // painting and events are on
  bool fontUnderline = false;           // the font itself is underlined (not a mark)
  int pixelHeight = kDefaultPanePixels;  // the type's height as shown
  int anchorChar = -1;                  // a first screen's top character, kept at the top as the pane is sized
  int letterSpacing = 0;                // twips set by PaneSetLetterSpacing, kept by the control for new text
  // Links are drawn in the scheme's link colour as character formats: the control's own links
  // (always blue, invisible on the blue scheme) are turned off.
  bool hasScheme = false;
  PaneColours scheme{};
  std::set<std::pair<int, int>> shownLinks;  // the addresses drawn in the link colour
  std::string accessibleName;                // as last given to the annotation service
  bool restyling = false;               // the formats are being changed: no restyle from within
  CHARRANGE colouredSelection{0, 0};    // the selection as drawn in the scheme's selection colours
  std::u16string foldedText;            // the text with its letters folded, for find
  bool foldedKnown = false;             // foldedText is the text's
};

namespace {

PaneKey KeyOf(WPARAM key) {
  switch (key) {
    case VK_LEFT: return PaneKey::Left;
    case VK_RIGHT: return PaneKey::Right;
    case VK_UP: return PaneKey::Up;
    case VK_DOWN: return PaneKey::Down;
    case VK_HOME: return PaneKey::Home;
    case VK_END: return PaneKey::End;
    case VK_PRIOR: return PaneKey::PageUp;
    case VK_NEXT: return PaneKey::PageDown;
    case VK_RETURN: return PaneKey::Enter;
    case VK_DELETE: return PaneKey::Delete;
    case VK_BACK: return PaneKey::Backspace;
    default: return PaneKey::Other;
  }
}

LRESULT Send(PaneView* pane, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(pane->hwnd, message, wParam, lParam);
}

// Makes the pane's caret again where the control keeps its own: the control makes a thin caret
// of its own each time its caret moves.
void PutBackCaret(PaneView* pane) {
  if (pane->caretWidth <= 0 || pane->caretHeight <= 0 || GetFocus() != pane->hwnd) return;
  POINT at;
  if (!GetCaretPos(&at)) return;
  CreateCaret(pane->hwnd, nullptr, pane->caretWidth, pane->caretHeight);
  SetCaretPos(at.x, at.y);
  ShowCaret(pane->hwnd);
}

// Messages after which the control may have moved or made its caret.
bool MayMoveCaret(UINT message) {
  switch (message) {
    case WM_KEYDOWN: case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_MOUSEMOVE: case WM_SETFOCUS:
    case WM_VSCROLL: case WM_SIZE: case WM_PAINT: case EM_SETSEL: case EM_EXSETSEL: case EM_LINESCROLL:
    case EM_SCROLLCARET: case EM_SETCHARFORMAT: case EM_STREAMIN: case EM_SETTEXTEX:
      return true;
    default:
      return false;
  }
}

template <typename... Args>
void Raise(const PaneView* pane, const std::function<void(Args...)>& handler, Args... args) {
  if (pane->redraw && handler) handler(args...);
}

// The program's event for a message the control has handled.
void RaiseAfter(PaneView* pane, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_KEYDOWN: Raise(pane, pane->events.keyPressed, KeyOf(wParam)); break;
    case WM_CHAR:
      if (wParam >= 0x20 && wParam != 0x7F) Raise(pane, pane->events.typed, static_cast<char32_t>(wParam));
      break;
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: Raise(pane, pane->events.clicked); break;
    case WM_SETFOCUS: Raise(pane, pane->events.focusGained); break;
    case WM_KILLFOCUS: Raise(pane, pane->events.focusLost); break;
    case WM_PAINT: Raise(pane, pane->events.painted); break;
    default: break;
  }
}

// Tab and Shift+Tab: the first or last button of the bar in view.
bool TabToBar(PaneView* pane) {
  if ((GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000) || !Live(pane->owner)) return false;
  for (BarView* bar : pane->owner->bars)
    if (BarIsVisible(bar) && BarButtonCount(bar) > 0) {
      BarFocusButton(bar, (GetKeyState(VK_SHIFT) & 0x8000) ? BarButtonCount(bar) - 1 : 0);
      return true;
    }
  return false;
}

// The annotation service of Active Accessibility, or null (Wine has none of its own).
IAccPropServices* AccessibilityAnnotations() {
  static IAccPropServices* services = [] {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccPropServices* made = nullptr;
    if (SUCCEEDED(com) || com == RPC_E_CHANGED_MODE)
      CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                       reinterpret_cast<void**>(&made));
    return made;
  }();
  return services;
}

void ClearAccessibleName(HWND hwnd) {
  MSAAPROPID name = PROPID_ACC_NAME;
  if (IAccPropServices* services = AccessibilityAnnotations())
    services->ClearHwndProps(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
}

template <typename Use>
void WithRangeSelected(PaneView* pane, int start, int end, Use use);

// Colours a range's text, and the ground behind it when one is given (else the pane's own).
void FormatRangeColours(PaneView* pane, int start, int end, std::uint32_t text, const std::uint32_t* ground) {
  if (start >= end) return;
  CHARFORMAT2W format = {};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR | CFM_BACKCOLOR;
  format.crTextColor = text;
  if (ground) format.crBackColor = *ground;
  else format.dwEffects = CFE_AUTOBACKCOLOR;
  WithRangeSelected(pane, start, end, [&] { Send(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)); });
}

void ColourRange(PaneView* pane, int start, int end, std::uint32_t text) {
  FormatRangeColours(pane, start, end, text, nullptr);
}

void ColourRangeOn(PaneView* pane, int start, int end, std::uint32_t text, std::uint32_t ground) {
  FormatRangeColours(pane, start, end, text, &ground);
}

// The characters on screen, first and past the last.
std::pair<int, int> VisibleRange(PaneView* pane) {
  RECT view = {0, 0, 0, 0};
  Send(pane, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&view));
  POINTL first = {view.left, view.top}, last = {view.right, view.bottom};
  int start = static_cast<int>(Send(pane, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&first)));
  int end = static_cast<int>(Send(pane, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&last)));
  return {std::max(0, start), std::max(start, end + 1)};
}

std::u16string TextRange(PaneView* pane, int start, int end) {
  std::wstring text(static_cast<std::size_t>(std::max(0, end - start)) + 1, L'\0');
  TEXTRANGEW range = {{start, end}, text.data()};
  LRESULT got = Send(pane, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  return std::u16string(text.begin(), text.begin() + std::clamp<LRESULT>(got, 0, end - start));
}

bool Overlaps(std::pair<int, int> range, CHARRANGE selection) {
  return range.first < selection.cpMax && selection.cpMin < range.second;
}

// Draws the addresses on screen in the scheme's link colour, where they are not drawn so already
// (outside the selection, which has the selection's colours).
void RestyleLinks(PaneView* pane, CHARRANGE selection) {
  auto [first, end] = VisibleRange(pane);
  for (auto [start, stop] : WebAddressesIn(TextRange(pane, first, end))) {
    std::pair<int, int> link{first + start, first + stop};
    if (Overlaps(link, selection) || !pane->shownLinks.insert(link).second) continue;
    ColourRange(pane, link.first, link.second, pane->scheme.link);
  }
}

// The control draws a selection in the system's highlight colours, which may read at 3:1 on the
// scheme; it is hidden instead, and the selected characters themselves are drawn in the scheme's
// selection colours, the characters it left given the text colour back. Only those few characters
// change format, so this costs no new layout of the book.
void FollowSelection(PaneView* pane, CHARRANGE selection) {
  const CHARRANGE old = pane->colouredSelection;
  if (old.cpMin == selection.cpMin && old.cpMax == selection.cpMax) return;
  pane->colouredSelection = selection;
  if (old.cpMin < old.cpMax) {
    ColourRange(pane, old.cpMin, old.cpMax, pane->scheme.text);
    std::erase_if(pane->shownLinks, [&](std::pair<int, int> link) { return Overlaps(link, old); });
  }
  if (selection.cpMin < selection.cpMax)
    ColourRangeOn(pane, selection.cpMin, selection.cpMax, pane->scheme.selectionText, pane->scheme.selectionBackground);
}

// Draws the selection and the addresses on screen in the scheme's colours.
void Restyle(PaneView* pane) {
  if (!pane->hasScheme || pane->restyling || !pane->redraw) return;
  pane->restyling = true;
  CHARRANGE selection;
  Send(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  FollowSelection(pane, selection);
  RestyleLinks(pane, selection);
  pane->restyling = false;
}

// A new text, or new colours for all of it: no address is drawn in the link colour.
void ForgetStyles(PaneView* pane) {
  pane->shownLinks.clear();
  pane->colouredSelection = {0, 0};
}

// A new text: what was kept of the old one goes.
void ForgetText(PaneView* pane) {
  ForgetStyles(pane);
  pane->foldedKnown = false;
  pane->foldedText.clear();
}

LRESULT CALLBACK PaneProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* pane = reinterpret_cast<PaneView*>(data);
  if (message == WM_KEYDOWN && wParam == VK_TAB && TabToBar(pane)) return 0;
  if (message == WM_CHAR && wParam == L'\t') return 0;  // read-only: its key has done its work
  if (message == WM_DROPFILES) return SendMessageW(GetParent(hwnd), message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ClearAccessibleName(hwnd);
    RemoveWindowSubclass(hwnd, PaneProc, 0);
    MarkGone(pane);
    delete pane;
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  if (message == WM_MOUSEWHEEL) {
    // The program scrolls by display lines or zooms itself; the control's own zoom would bypass the pane font.
    int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    bool control = (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0;
    if (pane->events.wheel && delta != 0) {
      pane->events.wheel(delta, control);
      return 0;
    }
    if (control) return 0;
  }
  LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
  if (!Live(pane)) return result;
  // A first screen made before the window had its size is wrapped anew at each new size.
  if (message == WM_SIZE && pane->anchorChar >= 0) PaneScrollCharToTop(pane, pane->anchorChar);
  // The control shows its selection again as it gains the focus; the scheme's colours show it instead.
  if (message == WM_SETFOCUS && pane->hasScheme) Send(pane, EM_HIDESELECTION, TRUE, 0);
  if (MayMoveCaret(message)) {
    PutBackCaret(pane);
    Restyle(pane);
  }
  RaiseAfter(pane, message, wParam);
  return result;
}

// The first character of the top row.
int TopChar(PaneView* pane) {
  return static_cast<int>(Send(pane, EM_LINEINDEX, static_cast<WPARAM>(Send(pane, EM_GETFIRSTVISIBLELINE))));
}

// Rich text with every character beyond ASCII written as a \uN escape, as the control reads it.
std::string AsciiRichText(const std::string& rtf) {
  if (std::all_of(rtf.begin(), rtf.end(), [](char c) { return (c & 0x80) == 0; })) return rtf;
  std::wstring wide = Wide(rtf);
  std::string out;
  out.reserve(rtf.size() + rtf.size() / 8);
  for (wchar_t c : wide) {
    if (c < 0x80)
      out += static_cast<char>(c);
    else
      out += "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
  }
  return out;
}

struct StreamSource {
  const std::string* bytes;
  size_t done;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  size_t n = std::min(static_cast<size_t>(std::max<LONG>(0, wanted)), source->bytes->size() - source->done);
  std::copy_n(source->bytes->data() + source->done, n, buffer);
  source->done += n;
  *given = static_cast<LONG>(n);
  return 0;
}

// The plain text with one CR at each paragraph break, as the control keeps it.
std::wstring ControlText(const std::string& utf8) {
  std::wstring wide = Wide(utf8);
  std::wstring out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
    // A line or paragraph separator ends a paragraph, as every other line end does.
    const bool lineEnd = wide[i] == L'\n' || wide[i] == L'\x2028' || wide[i] == L'\x2029';
    out += lineEnd ? L'\r' : wide[i];
  }
  return out;
}

// Applies a character format to a range through the selection, which is then put back with the
// view as it was.
template <typename Use>
void WithRangeSelected(PaneView* pane, int start, int end, Use use) {
  CHARRANGE saved;
  Send(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  POINT scroll;
  Send(pane, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  if (pane->redraw) Send(pane, WM_SETREDRAW, FALSE);
  CHARRANGE range = {start, end};
  Send(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  use();
  Send(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
  Send(pane, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  if (pane->redraw) {
    Send(pane, WM_SETREDRAW, TRUE);
    InvalidateRect(pane->hwnd, nullptr, FALSE);
  }
}

void SetAllCharFormat(PaneView* pane, CHARFORMAT2W& format) {
  format.cbSize = sizeof format;
  Send(pane, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  Send(pane, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

// A new text is shown from its first line with the caret before its first character, wherever
// the caret and the view were in the text before.
void ShowFromTheStart(PaneView* pane) {
  Send(pane, EM_SETSEL, 0, 0);
  Send(pane, EM_LINESCROLL, 0, -Send(pane, EM_GETFIRSTVISIBLELINE));
}

}  // namespace

// --- the control --------------------------------------------------------------------------------

PaneView* PaneCreate(MainWidget* parent) {
  HWND parentWindow = IsWindow(parent) ? parent->hwnd : nullptr;
  DWORD style = WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_NOHIDESEL | ES_AUTOVSCROLL |
                ES_DISABLENOSCROLL | (parentWindow ? WS_CHILD : WS_POPUP);
  auto* pane = new PaneView;
  pane->hwnd = CreateWindowExW(0, MSFTEDIT_CLASS, L"", style, 0, 0, 0, 0, parentWindow, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (!pane->hwnd) {
    delete pane;
    return nullptr;
  }
  Send(pane, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  Send(pane, EM_SETUNDOLIMIT, 0);
  pane->owner = Live(parent);
  DragAcceptFiles(pane->hwnd, TRUE);
  SetWindowSubclass(pane->hwnd, PaneProc, 0, reinterpret_cast<DWORD_PTR>(pane));
  MarkLive(pane);
  return pane;
}

void PaneSetEvents(PaneView* pane, PaneEvents events) {
  if (Live(pane)) pane->events = std::move(events);
}

void PaneSetGeometry(PaneView* pane, int x, int y, int width, int height) {
  if (!Live(pane)) return;
  SetWindowPos(pane->hwnd, nullptr, x, y, std::max(0, width), std::max(0, height), SWP_NOZORDER | SWP_NOACTIVATE);
}

bool PaneExists(PaneView* pane) { return Live(pane) != nullptr; }

bool PaneLinesCounted(PaneView* pane) { return Live(pane) != nullptr; }  // the control counts its lines itself

HWND PaneHandle(PaneView* pane) { return Live(pane) ? pane->hwnd : nullptr; }

std::string PaneAccessibleName(PaneView* pane) { return Live(pane) ? pane->accessibleName : std::string(); }

int PaneHeight(PaneView* pane) {
  RECT r = {0, 0, 0, 0};
  if (Live(pane)) GetWindowRect(pane->hwnd, &r);
  return r.bottom - r.top;
}

void PaneSetFocus(PaneView* pane) {
  if (Live(pane)) SetFocus(pane->hwnd);
}

bool PaneHasFocus(PaneView* pane) { return Live(pane) && GetFocus() == pane->hwnd; }

// The control's window text is its content, so the name is an annotation of the window: Active
// Accessibility and UI Automation's bridge both answer with it.
// The rich-edit control reports its own caret; a spoken word is shown by its underline.
void PaneReportSpokenWord(PaneView*, int) {}

void PaneSetAccessibleName(PaneView* pane, const std::string& utf8) {
  if (!Live(pane)) return;
  pane->accessibleName = utf8;
  IAccPropServices* services = AccessibilityAnnotations();
  if (!services) return;
  std::wstring name = Wide(utf8);
  services->SetHwndPropStr(pane->hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, name.c_str());
}

// --- text ---------------------------------------------------------------------------------------

void PaneSetPlainText(PaneView* pane, const std::string& utf8, int letterSpacingTwips) {
  if (!Live(pane)) return;
  std::wstring text = ControlText(utf8);
  SETTEXTEX how = {ST_DEFAULT, 1200};
  ForgetText(pane);
  pane->anchorChar = -1;
  Send(pane, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(text.c_str()));
  if (pane->letterSpacing != letterSpacingTwips) PaneSetLetterSpacing(pane, letterSpacingTwips);
  ShowFromTheStart(pane);
}

void PaneSetPlainTextInCase(PaneView* pane, const std::string& utf8, int letterSpacingTwips, PaneLetters letters) {
  if (letters == PaneLetters::AsWritten) return PaneSetPlainText(pane, utf8, letterSpacingTwips);
  std::string cased = utf8;
  ChangeLetterCase(cased, letters == PaneLetters::Capitals);
  PaneSetPlainText(pane, cased, letterSpacingTwips);
}

// The control takes its text on the user-interface thread only: nothing is prepared elsewhere.
std::shared_ptr<PanePreparedText> PanePrepareText(const std::string&, PaneLetters) { return nullptr; }

void PaneSetPreparedText(PaneView* pane, std::shared_ptr<PanePreparedText>, const std::string& utf8,
                         int letterSpacingTwips, PaneLetters letters) {
  PaneSetPlainTextInCase(pane, utf8, letterSpacingTwips, letters);
}

std::string PaneGetPlainText(PaneView* pane) {
  if (!Live(pane)) return std::string();
  GETTEXTLENGTHEX length = {GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, 1200};
  LRESULT n = Send(pane, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length));
  if (n <= 0) return std::string();
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GETTEXTEX how = {static_cast<DWORD>((n + 1) * sizeof(wchar_t)), GT_USECRLF, 1200, nullptr, nullptr};
  LRESULT got = Send(pane, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, n)));
  return Utf8(text);
}

int PaneStreamInRtf(PaneView* pane, const std::string& rtf) {
  if (!Live(pane)) return 0;
  std::string ascii = AsciiRichText(rtf);
  StreamSource source = {&ascii, 0};
  EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, ReadStream};
  ForgetText(pane);
  pane->anchorChar = -1;
  Send(pane, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  ShowFromTheStart(pane);
  return PaneTextLength(pane);
}

void PaneSetLetterSpacing(PaneView* pane, int twips) {
  if (!Live(pane)) return;
  CHARFORMAT2W format = {};
  format.dwMask = CFM_SPACING | CFM_UNDERLINE;  // underline marks go, as with a new text
  format.dwEffects = pane->fontUnderline ? CFE_UNDERLINE : 0;
  format.sSpacing = static_cast<SHORT>(std::clamp(twips, -32768, 32767));
  SetAllCharFormat(pane, format);
  pane->letterSpacing = twips;
  ShowFromTheStart(pane);
}

// The control has one text: a book that comes back after the shortcut list is put in again.
void PaneKeepTextAside(PaneView*) {}

// At least as many bytes of text as `screens` full panes show at the pane's type (no fewer than a
// few thousand): three bytes a character at most, a character at least half as wide as high.
static std::size_t ScreensOfBytes(PaneView* pane, int screens) {
  RECT client = {0, 0, 0, 0};
  GetClientRect(pane->hwnd, &client);
  if (client.right <= 0 || client.bottom <= 0) {  // not sized yet: the screen's work area at the most
    Rect area = WorkArea();
    client = {0, 0, area.right - area.left, area.bottom - area.top};
  }
  const std::size_t rows = static_cast<std::size_t>(client.bottom / std::max(1, pane->pixelHeight) + 1);
  const std::size_t columns = static_cast<std::size_t>(client.right / std::max(1, pane->pixelHeight / 2) + 1);
  return std::max<std::size_t>(4096, static_cast<std::size_t>(screens) * columns * rows * 3);
}

// The control lays out all the text it is given before it shows any: a long book shows its screen
// at the reader's place first, from a part of a few screens around it.
void PaneShowFirstScreen(PaneView* pane, const std::string& utf8, int charIndex, int letterSpacingTwips) {
  if (!Live(pane)) return;
  const FirstScreenPart part = FirstScreenPartOf(utf8, charIndex, ScreensOfBytes(pane, 4), true);
  PaneSetPlainText(pane, utf8.substr(part.from, part.to - part.from), letterSpacingTwips);
  const int top = static_cast<int>(std::clamp<std::int64_t>(part.top, 0, PaneTextLength(pane)));
  Send(pane, EM_SETSEL, static_cast<WPARAM>(top), top);
  PaneScrollCharToTop(pane, top);
  pane->anchorChar = top;
}

int PaneTextLength(PaneView* pane) {
  if (!Live(pane)) return 0;
  GETTEXTLENGTHEX length = {GTL_PRECISE | GTL_NUMCHARS, 1200};
  return static_cast<int>(std::max<LRESULT>(0, Send(pane, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length))));
}

// --- display lines ------------------------------------------------------------------------------

int PaneFirstVisibleLine(PaneView* pane) { return Live(pane) ? static_cast<int>(Send(pane, EM_GETFIRSTVISIBLELINE)) : 0; }

int PaneLineFromChar(PaneView* pane, int charIndex) {
  if (!Live(pane)) return 0;
  if (charIndex < 0) {
    CHARRANGE selection;
    Send(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    charIndex = selection.cpMin;
  }
  return static_cast<int>(Send(pane, EM_EXLINEFROMCHAR, 0, charIndex));
}

int PaneLineIndex(PaneView* pane, int line) {
  return Live(pane) ? static_cast<int>(Send(pane, EM_LINEINDEX, static_cast<WPARAM>(line))) : 0;
}

int PaneLineCount(PaneView* pane) { return Live(pane) ? std::max(1, static_cast<int>(Send(pane, EM_GETLINECOUNT))) : 0; }

void PaneLineScroll(PaneView* pane, int lines) {
  if (Live(pane) && lines != 0) Send(pane, EM_LINESCROLL, 0, lines);
}

bool PanePosFromChar(PaneView* pane, int charIndex, int& x, int& y) {
  x = y = 0;
  if (!Live(pane) || charIndex < 0 || charIndex > PaneTextLength(pane)) return false;
  POINTL at = {0, 0};
  Send(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), charIndex);
  x = static_cast<int>(at.x);
  y = static_cast<int>(at.y);
  return true;
}

void PaneScrollCaret(PaneView* pane) {
  if (Live(pane)) Send(pane, EM_SCROLLCARET);
}

void PaneScrollCharToTop(PaneView* pane, int charIndex) {
  if (!Live(pane)) return;
  int line = static_cast<int>(Send(pane, EM_EXLINEFROMCHAR, 0, std::clamp(charIndex, 0, PaneTextLength(pane))));
  PaneLineScroll(pane, line - PaneFirstVisibleLine(pane));
}

// --- rows of the view ---------------------------------------------------------------------------
// The control's display lines are its rows, all of one height (one font), so none of these waits.

namespace {

int LineTop(PaneView* pane, int line) {  // the row's top edge in the control's pixels
  POINTL at = {0, 0};
  Send(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), Send(pane, EM_LINEINDEX, static_cast<WPARAM>(line)));
  return static_cast<int>(at.y);
}

int RowHeight(PaneView* pane) {
  int lines = PaneLineCount(pane);
  if (lines < 2) return std::max(1, pane->caretHeight);
  int line = std::min(PaneFirstVisibleLine(pane), lines - 2);
  return std::max(1, LineTop(pane, line + 1) - LineTop(pane, line));
}

int ViewHeight(PaneView* pane) {
  RECT view = {0, 0, 0, 0};
  Send(pane, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&view));
  return std::max<int>(0, view.bottom - view.top);
}

int LineOfChar(PaneView* pane, int charIndex) {
  return static_cast<int>(Send(pane, EM_EXLINEFROMCHAR, 0, std::clamp(charIndex, 0, PaneTextLength(pane))));
}

}  // namespace

int PaneScreenRows(PaneView* pane) { return Live(pane) ? ViewHeight(pane) / RowHeight(pane) : 0; }

int PaneScreenRowOfChar(PaneView* pane, int charIndex) {
  if (!Live(pane) || charIndex < 0 || charIndex > PaneTextLength(pane)) return -1;
  int row = LineOfChar(pane, charIndex) - PaneFirstVisibleLine(pane);
  int height = RowHeight(pane);
  int shown = (ViewHeight(pane) + height - 1) / height;  // a partly shown bottom row counts
  return row >= 0 && row < shown ? row : -1;
}

int PaneCharAtScreenRow(PaneView* pane, int row) {
  if (!Live(pane) || row < 0) return -1;
  int line = PaneFirstVisibleLine(pane) + row;
  return line < PaneLineCount(pane) ? PaneLineIndex(pane, line) : -1;
}

void PaneScrollCharToScreenRow(PaneView* pane, int charIndex, int row) {
  if (Live(pane)) PaneLineScroll(pane, LineOfChar(pane, charIndex) - std::max(0, row) - PaneFirstVisibleLine(pane));
}

// --- selection ----------------------------------------------------------------------------------

void PaneGetSelection(PaneView* pane, int& start, int& end) {
  CHARRANGE selection = {0, 0};
  if (Live(pane)) Send(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  start = selection.cpMin;
  end = selection.cpMax;
}

void PaneSelectWithin(PaneView* pane, CharRange range) {
  if (Live(pane)) Send(pane, EM_SETSEL, static_cast<WPARAM>(range.start), range.end);
}

void PaneRemoveSelection(PaneView* pane) {
  if (Live(pane)) Send(pane, EM_SETSEL, static_cast<WPARAM>(-1), 0);
}

namespace {

// Text with its letters folded for a find that ignores case: the system's small letters, with
// the rules of language (the Kelvin sign is a k, capital sharp s a sharp s). Each character stays
// one character, so positions do not move.
std::u16string Folded(std::u16string text) {
  if (text.empty()) return text;
  auto* letters = reinterpret_cast<wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  std::u16string folded(text.size(), u'\0');
  const int made = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING, letters, size,
                                 reinterpret_cast<wchar_t*>(folded.data()), size, nullptr, nullptr, 0);
  return made == size ? folded : text;
}

// The pane's whole text folded, kept until the text changes.
const std::u16string& FoldedPaneText(PaneView* pane) {
  if (!pane->foldedKnown) {
    pane->foldedText = Folded(TextRange(pane, 0, PaneTextLength(pane)));
    pane->foldedKnown = true;
  }
  return pane->foldedText;
}

}  // namespace

int PaneFindText(PaneView* pane, const std::string& term, int from, int to, bool down, int& foundStart,
                 int& foundEnd) {
  foundStart = foundEnd = -1;
  if (!Live(pane) || term.empty()) return -1;
  const std::wstring wide = Wide(term);
  const std::u16string folded = Folded(std::u16string(wide.begin(), wide.end()));
  const std::u16string& text = FoldedPaneText(pane);
  const int at = FindFoldedTerm(text, folded, SpanOfSearch(static_cast<int>(text.size()), from, to, down), down);
  if (at < 0) return -1;
  foundStart = at;
  foundEnd = at + static_cast<int>(folded.size());
  return foundStart;
}

// The control finds on the user-interface thread: every search is answered at once.
bool PaneFindTextLater(PaneView* pane, const std::string& term, int from, int to, bool down, int,
                       std::function<void(PaneFound)> done) {
  PaneFound found;
  PaneFindText(pane, term, from, to, down, found.start, found.end);
  if (done) done(found);
  return true;
}

bool PaneFinding(PaneView*) { return false; }
void PaneStopFinding(PaneView*) {}

// --- word breaks --------------------------------------------------------------------------------

namespace {

// The control's characters around a place, read a piece at a time as the word rule walks.
constexpr int kWordPiece = 1024;  // characters read at once: longer than most runs of one kind

CharKind KindOf(WORD type) {
  if (type & C1_SPACE) return CharKind::Space;
  if (type & (C1_ALPHA | C1_DIGIT)) return CharKind::LetterOrDigit;
  return CharKind::Punctuation;
}

}  // namespace

// The pane's text as the shared word rule reads it: the kinds of a piece of the control's
// characters, by the system's Unicode tables, read anew when the walk leaves the piece.
WordText WordsOfPane(PaneView* pane) {
  if (!Live(pane)) return WordText{0, nullptr};
  struct Piece {
    int start = 0;
    std::vector<WORD> types;
  };
  auto piece = std::make_shared<Piece>();
  const int length = PaneTextLength(pane);
  return WordText{length, [pane, piece, length](int position) {
    if (position < piece->start || position >= piece->start + static_cast<int>(piece->types.size())) {
      piece->start = std::clamp(position - kWordPiece / 2, 0, std::max(0, length - kWordPiece));
      std::u16string text = TextRange(pane, piece->start, std::min(length, piece->start + kWordPiece));
      piece->types.assign(text.size(), 0);
      if (!text.empty())
        GetStringTypeW(CT_CTYPE1, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()),
                       piece->types.data());
    }
    const std::size_t at = static_cast<std::size_t>(position - piece->start);
    return at < piece->types.size() ? KindOf(piece->types[at]) : CharKind::Space;
  }};
}

// --- looks --------------------------------------------------------------------------------------

void PaneSetColours(PaneView* pane, int32_t textColour, int32_t backgroundColour) {
  if (!Live(pane)) return;
  pane->scheme = SchemeColours(static_cast<std::uint32_t>(textColour), static_cast<std::uint32_t>(backgroundColour));
  pane->hasScheme = true;
  Send(pane, EM_HIDESELECTION, TRUE, 0);
  Send(pane, EM_SETBKGNDCOLOR, 0, pane->scheme.background);
  CHARFORMAT2W format = {};
  format.dwMask = CFM_COLOR | CFM_BACKCOLOR;  // the selection's ground goes too: it is drawn again
  format.dwEffects = CFE_AUTOBACKCOLOR;
  format.crTextColor = pane->scheme.text;
  ForgetStyles(pane);
  SetAllCharFormat(pane, format);
  Restyle(pane);
}

bool PaneSetFont(PaneView* pane, const PaneFontRequest& request) {
  if (!Live(pane)) return false;
  int height = PanePixelHeight(request.pixelHeight);
  pane->pixelHeight = height;
  CHARFORMAT2W format = {};
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
  format.yHeight = static_cast<LONG>(std::lround(static_cast<double>(height) * 1440.0 / ScreenDpiY()));
  format.bCharSet = DEFAULT_CHARSET;
  std::wstring face = Wide(request.face).substr(0, LF_FACESIZE - 1);
  std::copy(face.begin(), face.end(), format.szFaceName);
  format.dwEffects = (request.bold ? CFE_BOLD : 0) | (request.italic ? CFE_ITALIC : 0) |
                     (request.underline ? CFE_UNDERLINE : 0) | (request.strikeout ? CFE_STRIKEOUT : 0);
  pane->fontUnderline = request.underline;
  int top = pane->anchorChar >= 0 ? pane->anchorChar : TopChar(pane);
  SetAllCharFormat(pane, format);
  PaneScrollCharToTop(pane, top);  // the reader's word stays on screen
  return true;
}

void PaneSetMargins(PaneView* pane, int left, int right) {
  if (Live(pane))
    Send(pane, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(PaneMarginShown(left), PaneMarginShown(right)));
}

bool PaneRangeUnderlined(PaneView* pane, int start, int end) {
  if (!Live(pane)) return false;
  if (start > end) std::swap(start, end);
  if (start == end) ++end;
  CHARFORMAT2W format = {};
  format.cbSize = sizeof format;
  WithRangeSelected(pane, start, end, [&] {
    Send(pane, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  });
  return (format.dwMask & CFM_UNDERLINE) && (format.dwEffects & CFE_UNDERLINE);
}

void PaneSetRangeUnderline(PaneView* pane, int start, int end, bool on) {
  if (!Live(pane)) return;
  if (start > end) std::swap(start, end);
  int length = PaneTextLength(pane);
  start = std::clamp(start, 0, length);
  end = std::clamp(end, 0, length);
  if (start == end) return;
  CHARFORMAT2W format = {};
  format.cbSize = sizeof format;
  format.dwMask = CFM_UNDERLINE;
  format.dwEffects = on ? CFE_UNDERLINE : 0;
  WithRangeSelected(pane, start, end, [&] {
    Send(pane, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  });
}

void PaneClearUnderline(PaneView* pane) {
  if (!Live(pane)) return;
  CHARFORMAT2W format = {};
  format.cbSize = sizeof format;
  format.dwMask = CFM_UNDERLINE;
  format.dwEffects = pane->fontUnderline ? CFE_UNDERLINE : 0;
  Send(pane, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

void PaneSetRedraw(PaneView* pane, bool on) {
  if (!Live(pane)) return;
  pane->redraw = on;
  Send(pane, WM_SETREDRAW, on ? TRUE : FALSE);
  if (on) Restyle(pane);  // the selection may have moved meanwhile
  if (on) RedrawWindow(pane->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
}

void PaneShowCaret(PaneView* pane, int width, int height) {
  if (!Live(pane)) return;
  pane->caretWidth = std::clamp(width, 0, 1000);
  pane->caretHeight = std::clamp(height, 0, 2000);
  PutBackCaret(pane);
}

void PaneDestroyCaret(PaneView* pane) {
  if (!Live(pane)) return;
  pane->caretWidth = pane->caretHeight = 0;
  if (GetFocus() == pane->hwnd) DestroyCaret();
}

}  // namespace vt
