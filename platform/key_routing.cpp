// The main window's key routing (see key_routing.h).
#include "platform/key_routing.h"

namespace vt {

// The name the shortcut table gives the key as pressed: plain, or a letter with Ctrl alone
// ("Ctrl+O"); empty for any other combination.
static std::string ShortcutName(const KeyPress& key) {
  if (key.plain) return key.name;
  return key.ctrlAlone && key.name.size() == 1 ? "Ctrl+" + key.name : std::string();
}

KeyRoute RouteKey(const KeyPress& key, const std::vector<Shortcut>& shortcuts) {
  if (key.name == "F1" && key.plain) return {KeyAction::Help, 0};
  bool buttonsOwnKey = key.name == "Space" && key.onFocusedButton;
  const std::string name = ShortcutName(key);
  if (!name.empty() && !buttonsOwnKey)
    for (const Shortcut& s : shortcuts)
      if (s.key == name) return name == "Space" && key.repeated ? KeyRoute{KeyAction::Swallow, 0} : KeyRoute{KeyAction::Command, s.command};
  if (key.name == "Escape") return {KeyAction::Cancel, 0};
  return {KeyAction::None, 0};
}

bool RunKeyRoute(const KeyRoute& route, const MainWindowEvents& events) {
  auto raise = [](const auto& handler, auto... args) {
    if (handler) handler(args...);
  };
  switch (route.action) {
    case KeyAction::None: return false;
    case KeyAction::Swallow: break;
    case KeyAction::Help: raise(events.help); break;
    case KeyAction::Command: raise(events.command, route.command); break;
    case KeyAction::Cancel: raise(events.cancelled); break;
  }
  return true;
}

}  // namespace vt
