// Search (filled in by the search work).
#include "reader/search.h"

namespace vt {

void FindInPane(WindowHandle, int, const std::string&) {}
void SearchCommand() {}
void SearchAgain() {}
void ShowSearchDialog() {}

}  // namespace vt
