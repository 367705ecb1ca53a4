// Where a text holds web addresses, which the pane shows as links on every system: a word that
// begins with "http://", "https://", "ftp://", "mailto:" or "www." (in any case) runs to the next
// white space, '<', '>' or '"', without the punctuation that ends a sentence around it. Pure; any
// thread.
#pragma once
#include <string_view>
#include <utility>
#include <vector>

namespace vt {

// The addresses in UTF-16 text as [start, end) pairs, in text order.
std::vector<std::pair<int, int>> WebAddressesIn(std::u16string_view text);

}  // namespace vt
