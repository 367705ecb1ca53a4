// Search: the search box, the find operation on the pane, and "Again".
#pragma once
#include <string>

#include "platform/window.h"

namespace vt {

// Searches the pane from the selection in `direction` (1 forward, -1 backward) and selects the match.
void FindInPane(WindowHandle window, int direction, const std::string& term);
void SearchCommand();
void SearchAgain();
void ShowSearchDialog();

}  // namespace vt
