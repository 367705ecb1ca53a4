// The commands: one table row per command with its id, operation, flags, long name and shortcut,
// and the main window's event handlers, the one place where every user action becomes an operation.
#pragma once
#include <span>
#include <string>

#include "core/ids.h"
#include "core/program_state.h"
#include "platform/window.h"

namespace vt {

// What RunCommand does around a command's operation.
enum CommandFlags : unsigned {
  kBeep = 1,               // the click sounds before the operation
  kRebuildsBar = 2,        // the bar is built again after it
  kKeyWhenShortcutsOff = 4 // its key works even while the letter shortcuts are off
};

struct Command {
  int id;
  void (*operation)();
  unsigned flags;
  const char* longName;     // the button's name a right-click shows; "" when it has none
  const char* key;          // its shortcut key ("A" ... "Z", "F3"), or nullptr
  const char* keyListName;  // its line in the shortcut list, after "<key> - "; nullptr: not listed
};

// Every command, in id order.
std::span<const Command> CommandTable();

// The address that F1 opens.
extern const char* const HelpPageAddress;
extern const char* const NoBrowserNotice;  // F1 found no web browser to open the help page

// The main window's event handlers.
MainWindowEvents MainWindowHandlers();

// Runs one command as a bar click or a shortcut would: the click, the operation, the bar rebuilt.
void RunCommand(int commandId);

// The long name of a button's command, or "" when it has none.
std::string CommandLongName(int commandId);

// A book file to open as the user's book when the window starts (the program's first argument).
void OpenAtStart(const std::string& path);

// Ends the main window: the bookmark and the settings are saved on the way.
void EndMainWindow();

}  // namespace vt
