// The named character references of HTML ("&eacute;", "&mdash;"), looked up by name.
#pragma once
#include <string_view>

namespace vt {

// The character a named reference stands for (the name without '&' and ';'), or 0 when unknown.
char32_t NamedEntityCode(std::string_view name);

}  // namespace vt
