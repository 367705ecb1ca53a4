// The book library: the six built-in books and the user's "trash.txt", and LoadBook, which
// cleans, reflows and cases the current book and puts it into the pane.
#pragma once
#include <string>

namespace vt {

extern std::string BookText;        // the current book as put into the pane
extern std::string LoadedPaneText;  // the pane's text right after loading

// Reads, cleans and shows the current book (Book), with the caret at the start.
void LoadBook();

}  // namespace vt
