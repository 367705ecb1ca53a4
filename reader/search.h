// Search: the search box, the find operation on the pane, and "Again".
#pragma once
#include <cstdint>
#include <string>

#include "core/program_state.h"
#include "platform/search_dialog.h"
#include "platform/window.h"

namespace vt {

// Searches the pane from the selection in `direction` (1 forward, -1 backward), without regard to
// case and without wrapping, selects the match and scrolls its line to the top. No match: a click,
// "No match found!", and the selection and the view stay.
// A search that takes longer than about a second shows SearchingNotice meanwhile and answers when
// it ends; a call while one is under way stops it instead.
void FindInPane(int direction, const std::string& term);

// Stops the search under way (its notice goes, the selection stays); false when there is none.
bool StopSearching();

extern const char* const SearchingNotice;

// The "Search" command: asks for a term and searches forward for it.
void SearchCommand();

// The "Again" command: searches forward for the stored term.
void SearchAgain();

// Shows the search box modally; returns when it is closed.
void ShowSearchDialog();

// A typed term as it is stored: cut to 259 characters, lower case, without leading or trailing blanks.
std::string StoredSearchTerm(const std::string& typed);

}  // namespace vt
