// The texts embedded in the program (the built-in books), read by file name.
#pragma once
#include <string>

namespace vt {

// Reads an embedded book ("bible.txt"); false when there is no such text.
bool ReadEmbeddedBook(const std::string& fileName, std::string& bytes);

}  // namespace vt
