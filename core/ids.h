// The numbers and fixed texts the whole program shares: the id of every command (bar buttons,
// shortcuts and button names use the same ids) and the version.
#pragma once

namespace vt {

// Command ids: bar buttons, shortcuts and button names share them; Esc is IDCANCEL.
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
constexpr int CmdPlayOrStop = 539;  // the Space key: Play while idle, Stop while reading aloud
constexpr int CmdShelf = 540;       // Ctrl+O (and O): the shelf of books, and back to the book

// The program's version as the title and the version notice show it.
inline constexpr const char* ProgramVersion = "1.8";

}  // namespace vt
