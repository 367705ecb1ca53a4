// The book library (filled in with the reading pane).
#include "reader/book_library.h"

namespace vt {

std::string BookText;
std::string LoadedPaneText;

void LoadBook() {}

}  // namespace vt
