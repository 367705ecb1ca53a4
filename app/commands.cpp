// The commands and the main window's event handlers. Events become operations here: the
// initialisation sequence before the window is first shown, the command table for buttons and
// shortcuts, right-clicks on the bar, the wheel, the window drag, and saving the reading position
// and the settings when the window ends.
#include "app/commands.h"

#include <algorithm>
#include <utility>

#include "app/main_window.h"
#include "app/online_update.h"
#include "app/shortcuts.h"
#include "bar/icon_bar.h"
#include "core/bar_messages.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "core/window_layout.h"
#include "platform/pane.h"
#include "reader/book_library.h"
#include "reader/display_options.h"
#include "reader/navigation.h"
#include "reader/own_books.h"
#include "platform/files.h"
#include "reader/reading_pane.h"
#include "reader/reading_place.h"
#include "reader/search.h"
#include "reader/shelf.h"
#include "speech/reading_aloud.h"
#include "speech/voices.h"

namespace vt {

const char* const HelpPageAddress = "https://vellumtide.app/help";
const char* const NoBrowserNotice = "No web browser found!";

// Flips a switch of the settings, applies it, and shows its notice (text and the new state's word).
static void ToggleSetting(int32_t& setting, void (*apply)(), const char* notice, const char* onWord = "ON",
                          const char* offWord = "OFF") {
  setting ^= 1;
  if (apply) apply();
  if (notice) ShowBarMessage(std::string(notice) + (setting != 0 ? onWord : offWord), 1);
}

static void FontCommand() {
  KeepPlaceWhile([] {
    CycleFontName();
    ApplyColors();
    LayoutMainWindow();
  });
}

static void VersionCommand() { ShowBarMessage(std::string("Version: ") + ProgramVersion, 1); }
static void TitleCommand() { ShowBarMessage(EditFileName, 1); }

// Esc stops a long search under way; else it ends the reader.
static void EscapeCommand() {
  if (!StopSearching()) EndMainWindow();
}

static void NextChapterCommand() {
  FindInPane(+1, ">>");
  PaneSetFocus(PaneWindow);
}

static void PrevChapterCommand() {
  FindInPane(-1, ">>");
  PaneSetFocus(PaneWindow);
}

static void HomeCommand() { ScrollCharToTop(0); }

// The shortcut switch shows the state of the shortcuts, the opposite of the variable it flips.
static void ShortcutsCommand() { ToggleSetting(DisableShortCuts, nullptr, "Shortcuts ", "OFF", "ON"); }
static void WideMenuCommand() { ToggleSetting(WideMenu, nullptr, nullptr); }
static void FormatParagraphCommand() { ToggleSetting(FormatParagraph, ReformatBook, "Paragraph Formating : "); }
static void WideSpacingCommand() { ToggleSetting(WideSpacing, RefreshPaneText, nullptr); }
static void SingleLineScrollCommand() { ToggleSetting(SingleLineScroll, nullptr, "Single Line Scroll ", "On", "Off"); }

static void NoOperation() {}

// One key for reading aloud: it runs the button the bar shows now, with that button's click and rebuild.
static void PlayOrStopCommand() { RunCommand(IsSpeaking == 1 ? CmdStop : CmdPlay); }

constexpr unsigned kBeepAndBar = kBeep | kRebuildsBar;

// Every command: id, operation, flags, long name, shortcut key and its line in the shortcut list.
static const Command kCommands[] = {
    {IDCANCEL, EscapeCommand, kBeep, "", nullptr, nullptr},
    {CmdPlay, SpeakFromCaret, kBeepAndBar, "Speak Text", nullptr, nullptr},
    {CmdStop, StopSpeaking, kBeepAndBar, "Stop Speaking", nullptr, nullptr},
    {CmdLouder, SystemVolumeUp, kBeep, "Increase Volume", nullptr, nullptr},
    {CmdSofter, SystemVolumeDown, kBeep, "Decrease Volume", nullptr, nullptr},
    {CmdVoice, ToggleVoice, kBeepAndBar, "Male Vs Female Voice", nullptr, nullptr},
    {CmdExit, EndMainWindow, kBeep, "", nullptr, nullptr},
    {CmdMenu, NextButtonSet, kBeepAndBar, "", "N", "Menu"},
    {CmdLarger, ZoomIn, kBeep, "Larger Font", "L", "Larger"},
    {CmdSmaller, ZoomOut, kBeep, "Smaller Font", "S", "Smaller"},
    {CmdFont, FontCommand, kBeep, "Change Font", nullptr, nullptr},
    {CmdBold, ToggleBold, kBeep, "Toggle Bold", nullptr, nullptr},
    {CmdColor, CycleColors, kBeep, "Change Colors", "C", "Colors"},
    {CmdUpdate, OnlineUpdate, kBeep, "", "U", "Update"},
    {CmdBooks, NextBookOrShelf, kBeep, "Next Book", nullptr, nullptr},
    {CmdVersion, VersionCommand, kBeep | kKeyWhenShortcutsOff, "", "V", "Version"},
    {CmdTitle, TitleCommand, kBeep, "", "T", "Title"},
    {CmdSearch, SearchCommand, kBeep, "Enter Search Term", "F", "Search (Find)"},
    {CmdAgain, SearchAgain, kBeep, "Search Again", "A", "Search Again"},
    {CmdShortcuts, ShortcutsCommand, kBeep | kKeyWhenShortcutsOff, "", "E", nullptr},
    {CmdNext, NextChapterCommand, kBeep, "Next Chapter", nullptr, nullptr},
    {CmdPrev, PrevChapterCommand, kBeep, "Previous Chapter", nullptr, nullptr},
    {CmdHome, HomeCommand, kBeep, "Scroll To Top", nullptr, nullptr},
    {CmdPage, ShowPageIndicator, kBeep, "Page Number", nullptr, nullptr},
    {CmdSpeed, CycleSpeechRate, 0, "Change Speech Rate", nullptr, nullptr},
    {CmdCase, CycleTextCase, kBeep, "Change Case", nullptr, nullptr},
    {CmdWideMenu, WideMenuCommand, kBeepAndBar, "", "M", "Wide Menu"},
    {CmdFormatParagraph, FormatParagraphCommand, kBeep, "", "P", "Format Paragraph"},
    {CmdSmallFont, ToggleSmallFont, kBeep, "", "K", nullptr},
    {CmdWideSpacing, WideSpacingCommand, kBeep, "", "W", "Wide Spacing"},
    {CmdSingleLineScroll, SingleLineScrollCommand, kBeep, "", "R", "Single Line Scroll"},
    {CmdF3, NoOperation, 0, "", "F3", nullptr},
    {CmdPlayOrStop, PlayOrStopCommand, kKeyWhenShortcutsOff, "", "Space", "Play / Stop"},
    {CmdShelf, ToggleShelf, kBeep | kKeyWhenShortcutsOff, "", "Ctrl+O", "Shelf of books"},
    {CmdShelf, ToggleShelf, kBeep, "", "O", "Shelf of books"},
};

std::span<const Command> CommandTable() { return kCommands; }

static const Command* FindCommand(int commandId) {
  auto it = std::find_if(std::begin(kCommands), std::end(kCommands), [commandId](const Command& c) { return c.id == commandId; });
  return it != std::end(kCommands) ? it : nullptr;
}

void RunCommand(int commandId) {
  const Command* command = FindCommand(commandId);
  if (!command) return;
  if (command->flags & kBeep) CommandBeep();
  command->operation();
  if (command->flags & kRebuildsBar) BuildIconBar();
}

std::string CommandLongName(int commandId) {
  const Command* command = FindCommand(commandId);
  return command ? command->longName : "";
}

void EndMainWindow() { DestroyMainWidget(MainWindow); }

// A file named on the command line is the user's book from the start; one that cannot be read
// leaves the book of the last run, and the reader is told once the window shows.
struct StartFile {
  std::string fileGivenAtStart;  // the book file named on the command line, until it is opened
  std::string startFileRefusal;  // why that file was not opened, until the reader is told
};
static StartFile startFile;
static std::string& fileGivenAtStart = startFile.fileGivenAtStart;
static std::string& startFileRefusal = startFile.startFileRefusal;
[[maybe_unused]] static const bool resetWithProgram = ResetAlongWithProgramState([] { startFile = StartFile{}; });

void OpenAtStart(const std::string& path) { fileGivenAtStart = path; }

static void OpenFileGivenAtStart() {
  LoadBookPositions();
  std::string path = std::exchange(fileGivenAtStart, std::string());
  if (path.empty()) return;
  // Only the file's size and first bytes are read here: the book is read once, on the loading worker.
  startFileRefusal = BookFileRefusal(path);
  if (startFileRefusal.empty()) SelectUserBookFile(path);
}

// Said once the window is on the screen, and without holding it: a notice that blocked before the
// window's first expose would come and go unseen.
static void TellWhyStartFileRefused() {
  if (startFileRefusal.empty()) return;
  RunAfterFirstFrame(MainWindow, [refusal = std::exchange(startFileRefusal, std::string())] {
    ShowBarMessageForAWhile(refusal);
  });
}

// Everything the window needs before it is first shown, in this order.
static void InitialiseMainWindow() {
  OpenFileGivenAtStart();
  StartLoadingBook();  // on a worker, while the bar and the pane are made
  if (Maximized) SetPendingShowState(MainWindow, ShowState::Maximised);
  if (Minimized) SetPendingShowState(MainWindow, ShowState::Minimised);
  ComputeFontScale();
  ResetButtonSet();
  BuildAccelerators();
  CreateBarImageList();
  CreateBarFont();
  SetButtonLongNames(CommandLongName);
  BuildIconBar();
  CreateReadingPane();
  LayoutMainWindow();  // the pane has its size before the book goes in: the text is laid out once
  ChangeFontSize(0);
  ApplyColors();
  LoadBookAtStartUp();
  TellWhyStartFileRefused();
}

// A right-click on a bar button: the shortcut list, the previous set, or the button's name.
static void BarRightClick(int commandId) {
  CommandBeep();
  if (commandId == CmdExit) {
    LeaveShelf();  // the list covers the book, never the shelf
    ToggleShortcutList(ShortcutListText());
  } else if (commandId == CmdMenu) {
    PreviousButtonSet();
    BuildIconBar();
  } else {
    ShowButtonName(CommandLongName(commandId));
  }
}

// The empty part of the bar serves as the caption: pressing there moves the window.
static void DragFromEmptyBar(int x, int y) {
  if (x > BarRightEdge() && y < BarHeight) StartWindowDrag(MainWindow);
}

static void WheelOverWindow(int steps, bool ctrl) {
  if (!ctrl) return;
  if (steps < 0) ZoomOut();
  if (steps > 0) ZoomIn();
}

static void WindowEnded() {
  CancelOnlineUpdate();
  EndShelfSearch();
  SaveBookmark();
  PersistSettings("save");
  SaveBookPositions();
}

MainWindowEvents MainWindowHandlers() {
  MainWindowEvents events;
  events.initialised = InitialiseMainWindow;
  events.resized = [] { KeepPlaceWhile(LayoutMainWindow); };
  events.command = RunCommand;
  events.cancelled = [] { RunCommand(IDCANCEL); };
  events.barRightClick = BarRightClick;
  events.wheel = WheelOverWindow;
  events.pressed = DragFromEmptyBar;
  events.help = [] {
    if (!OpenUrl(HelpPageAddress)) ShowBarMessage(NoBrowserNotice, 1);
  };
  events.closing = EndMainWindow;
  events.ended = WindowEnded;
  events.fileDropped = [](const std::string& path) {
    LeaveShelf();  // the book under the shelf keeps its place
    OpenBookFile(path);
  };
  return events;
}

}  // namespace vt
