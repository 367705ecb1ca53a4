// The main window procedure: the one place where every user action becomes an operation.
// Bar buttons, shortcut keys, Esc, F1, the wheel, right-clicks on the bar and the speech engine's
// notifications all arrive here as messages; one table maps command ids to operations.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace vt {

// Control ids of the main window's children.
constexpr int IdPane = 500;
constexpr int IdBar = 501;
constexpr int IdBarMessage = 502;

// Command ids: bar buttons, shortcuts and button names share them.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int CmdPlay = 507;
constexpr int CmdStop = 508;
constexpr int CmdLouder = 509;
constexpr int CmdSofter = 510;
constexpr int CmdVoice = 511;
constexpr int CmdExit = 512;
constexpr int CmdMenu = 513;
constexpr int CmdLarger = 514;
constexpr int CmdSmaller = 515;
constexpr int CmdFont = 516;
constexpr int CmdBold = 517;
constexpr int CmdColor = 518;
constexpr int CmdUpdate = 519;
constexpr int CmdBooks = 520;
constexpr int CmdVersion = 521;
constexpr int CmdTitle = 522;
constexpr int CmdSearch = 523;
constexpr int CmdAgain = 524;
constexpr int CmdShortcuts = 525;
constexpr int CmdNext = 526;
constexpr int CmdPrev = 527;
constexpr int CmdHome = 528;
constexpr int CmdPage = 529;
constexpr int CmdSpeed = 530;
constexpr int CmdCase = 531;
constexpr int CmdWideMenu = 532;
constexpr int CmdFormatParagraph = 533;
constexpr int CmdSmallFont = 534;
constexpr int CmdWideSpacing = 535;
constexpr int CmdSingleLineScroll = 537;
constexpr int CmdF3 = 538;

// Private messages of the main window.
constexpr unsigned SpeechNotifyMessage = WM_USER + 1;   // 1025: the voice has events
constexpr unsigned EndRequestMessage = WM_USER + 600;   // 1624: end the main window

// 1 while the pane shows the shortcut list instead of the book.
extern int32_t ShortcutListShown;

// The address that F1 opens.
extern const char* const HelpPageAddress;

// The main window's message procedure; returns 0 for every message.
intptr_t MainWindowProc(WindowHandle window, unsigned message, intptr_t wParam, intptr_t lParam);

// Runs one command as a bar click or a shortcut would (WM_COMMAND with the id).
void RunCommand(int commandId);

// Swaps the pane between the book and the shortcut list.
void ToggleShortcutList();

// Ends the main window: the bookmark and the settings are saved on the way.
void EndMainWindow();

}  // namespace vt
