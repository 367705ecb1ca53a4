// The main window procedure. Messages become operations here: the initialisation sequence before
// the window is first shown, the command table for buttons and shortcuts, right-clicks on the bar,
// the wheel, the window drag, and saving the reading position and the settings when the window ends.
#include "app/commands.h"

#include "app/main_window.h"
#include "app/online_update.h"
#include "app/shortcuts.h"
#include "core/bar_messages.h"
#include "bar/icon_bar.h"
#include "platform/pane.h"
#include "reader/book_library.h"
#include "reader/navigation.h"
#include "reader/reading_pane.h"
#include "reader/search.h"
#include "reader/display_options.h"
#include "core/settings_file.h"
#include "speech/reading_aloud.h"
#include "speech/voices.h"

namespace vt {

const char* const HelpPageAddress = "https://vellumtide.app/help";

constexpr int EN_SETFOCUS = 0x0100;

static std::string OnOff(bool on, const char* yes, const char* no) { return on ? yes : no; }

static void PlayCommand() {
  SpeakFromCaret(MainWindow);
  BuildIconBar();
}

static void StopCommand() {
  StopSpeaking();
  BuildIconBar();
}

static void FontCommand() {
  CycleFontName();
  ApplyColors();
  LayoutMainWindow();
}

static void VersionCommand() { ShowBarMessage(std::string("Version: ") + ProgramVersion, 1); }
static void TitleCommand() { ShowBarMessage(EditFileName, 1); }

static void ShortcutsCommand() {
  DisableShortCuts ^= 1;
  ShowBarMessage("Shortcuts " + OnOff(DisableShortCuts == 0, "ON", "OFF"), 1);
}

static void NextChapterCommand() {
  FindInPane(MainWindow, +1, ">>");
  PaneSetFocus(PaneWindow);
}

static void PrevChapterCommand() {
  FindInPane(MainWindow, -1, ">>");
  PaneSetFocus(PaneWindow);
}

static void HomeCommand() { ScrollCharToTop(0); }
static void PageCommand() { ShowPageIndicator(MainWindow); }

static void WideMenuCommand() {
  WideMenu ^= 1;
  BuildIconBar();
}

static void FormatParagraphCommand() {
  FormatParagraph ^= 1;
  LoadBook();
  ShowBarMessage("Paragraph Formating : " + OnOff(FormatParagraph != 0, "ON", "OFF"), 1);
}

static void WideSpacingCommand() {
  WideSpacing ^= 1;
  RefreshPaneText();
}

static void SingleLineScrollCommand() {
  SingleLineScroll ^= 1;
  ShowBarMessage("Single Line Scroll " + OnOff(SingleLineScroll != 0, "On", "Off"), 1);
}

static void NoOperation() {}

struct Command {
  int id;
  bool beep;  // the click sounds before the operation
  void (*operation)();
};

// Every command id, whether it clicks first, and its operation.
static const Command kCommands[] = {
    {IDCANCEL, true, EndMainWindow},
    {CmdPlay, true, PlayCommand},
    {CmdStop, true, StopCommand},
    {CmdLouder, true, SystemVolumeUp},
    {CmdSofter, true, SystemVolumeDown},
    {CmdVoice, true, ToggleVoice},
    {CmdExit, true, EndMainWindow},
    {CmdMenu, true, NextButtonSet},
    {CmdLarger, true, ZoomIn},
    {CmdSmaller, true, ZoomOut},
    {CmdFont, true, FontCommand},
    {CmdBold, true, ToggleBold},
    {CmdColor, true, CycleColors},
    {CmdUpdate, true, OnlineUpdate},
    {CmdBooks, true, NextBook},
    {CmdVersion, true, VersionCommand},
    {CmdTitle, true, TitleCommand},
    {CmdSearch, true, SearchCommand},
    {CmdAgain, true, SearchAgain},
    {CmdShortcuts, true, ShortcutsCommand},
    {CmdNext, true, NextChapterCommand},
    {CmdPrev, true, PrevChapterCommand},
    {CmdHome, true, HomeCommand},
    {CmdPage, true, PageCommand},
    {CmdSpeed, false, CycleSpeechRate},
    {CmdCase, true, CycleTextCase},
    {CmdWideMenu, true, WideMenuCommand},
    {CmdFormatParagraph, true, FormatParagraphCommand},
    {CmdSmallFont, true, ToggleSmallFont},
    {CmdWideSpacing, true, WideSpacingCommand},
    {CmdSingleLineScroll, true, SingleLineScrollCommand},
    {CmdF3, false, NoOperation},
};

void RunCommand(int commandId) {
  for (const Command& command : kCommands) {
    if (command.id != commandId) continue;
    if (command.beep) CommandBeep();
    command.operation();
    return;
  }
}

void EndMainWindow() {
  if (IsWindow(MainWindow)) DestroyMainWidget(MainWindow);
}

void ToggleShortcutList() {
  // The list is no place in the book: the reading position is kept before the list replaces it.
  if (!ShortcutListShown) SaveBookmark();
  ShortcutListShown ^= 1;
  SetPaneWindowText(PaneWindow, ShortcutListShown ? ShortcutListText() : BookText);
}

// Everything the window needs before it is first shown, in this order.
static void InitialiseMainWindow() {
  if (Maximized) SetPendingShowState(MainWindow, SW_SHOWMAXIMIZED);
  if (Minimized) SetPendingShowState(MainWindow, SW_SHOWMINIMIZED);
  ComputeFontScale();
  ResetButtonSet();
  InitSpeech();
  BuildAccelerators();
  CreateBarImageList();
  CreateBarFont();
  BuildIconBar();
  CreateReadingPane();
  ChangeFontSize(0);
  ApplyColors();
  LoadBook();
  RestoreBookmark();
}

// A right-click on a bar button: the shortcut list, the previous set, or the button's name.
static void BarRightClick(int commandId) {
  CommandBeep();
  if (commandId == CmdExit)
    ToggleShortcutList();
  else if (commandId == CmdMenu)
    PreviousButtonSet();
  else
    ShowButtonName(commandId);
}

// The empty part of the bar serves as the caption: pressing there moves the window.
static void DragFromEmptyBar() {
  int x = 0, y = 0;
  CursorClientPos(MainWindow, x, y);
  if (x > BarRightEdge() && y < BarHeight) StartWindowDrag(MainWindow);
}

static void PaneNotification(int code) {
  if (code == EN_SETFOCUS) PaneRemoveSelection(PaneWindow);
}

intptr_t MainWindowProc(WindowHandle, unsigned message, intptr_t wParam, intptr_t lParam) {
  int low = static_cast<int>(wParam & 0xFFFF);
  int high = static_cast<int16_t>((wParam >> 16) & 0xFFFF);
  switch (message) {
    case WM_INITDIALOG: InitialiseMainWindow(); break;
    case EndRequestMessage: EndMainWindow(); break;
    case WM_MOUSEWHEEL:
      if (low & MK_CONTROL) {
        if (high < 0) ZoomOut();
        if (high > 0) ZoomIn();
      }
      break;
    case WM_COMMAND:
      if (low == IdPane)
        PaneNotification(high);
      else
        RunCommand(low);
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<const NotifyHeader*>(lParam);
      if (header && header->idFrom == IdBar && header->code == NM_RCLICK) BarRightClick(header->itemSpec);
      break;
    }
    case WM_SIZE: LayoutMainWindow(); break;
    case WM_DESTROY:
      SaveBookmark();
      PersistSettings("save");
      break;
    case WM_SETCURSOR: DragFromEmptyBar(); break;
    case WM_HELP: OpenUrl(HelpPageAddress); break;
    default: break;
  }
  return 0;
}

}  // namespace vt
