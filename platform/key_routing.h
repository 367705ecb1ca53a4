// Which keys the main window takes before any of its children: the one rule both back ends route
// keys by. A back end names the key it saw and says how it was pressed; the rule answers what the
// key does. Pure, no state, any thread (the answer is acted on on the user-interface thread).
#pragma once
#include <string>
#include <vector>

#include "platform/window.h"

namespace vt {

// A key press in the program's words.
struct KeyPress {
  std::string name;      // as a shortcut table names keys ("A" ... "Z", "F1" ... "F12", "Space"),
                         // "Escape" for Esc, "" for any other key
  bool plain;            // pressed without Shift, Ctrl or Alt
  bool repeated;         // the key is held down and repeats
  bool onFocusedButton;  // a bar button has the keyboard focus
  bool ctrlAlone = false;  // pressed with Ctrl and no other modifier (a letter is then "Ctrl+O")
};

enum class KeyAction {
  None,     // the key goes on to the focused widget
  Swallow,  // taken, and nothing happens (a held Space would start and stop the reading over and over)
  Help,     // F1
  Command,  // a shortcut: its command
  Cancel,   // Esc, whatever the modifiers
};

struct KeyRoute {
  KeyAction action;
  int command;  // for Command
};

// F1 (plain) is help; a plain key of the table runs its command, except Space on a focused bar
// button, which presses that button; Esc cancels; any other key goes on.
KeyRoute RouteKey(const KeyPress& key, const std::vector<Shortcut>& shortcuts);

// Raises the window event the route names; false for a key that goes on.
bool RunKeyRoute(const KeyRoute& route, const MainWindowEvents& events);

}  // namespace vt
