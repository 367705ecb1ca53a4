// Transitional: message numbers still used by the pane, the search box and the voice.
#pragma once
#include <cstdint>

#include "platform/window.h"

namespace vt {
constexpr unsigned WM_DESTROY = 0x0002;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned WM_INITDIALOG = 0x0110;
constexpr unsigned WM_MOUSEWHEEL = 0x020A;
constexpr int MK_CONTROL = 0x0008;
inline intptr_t SendWindowMessage(MainWidget*, unsigned, intptr_t, intptr_t) { return 0; }
inline void PostWindowMessage(MainWidget*, unsigned) {}
}  // namespace vt
