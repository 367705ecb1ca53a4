// What the system says about where programs are installed: the one question the rule about an
// installed copy of the reader (core/installation.h) needs answered by each back end.
#pragma once
#include <string>
#include <vector>

namespace vt {

// The folders the system's package manager installs programs into, each with a trailing slash;
// empty on a system whose programs come from their own installers instead.
std::vector<std::string> PackageManagerProgramFolders();

}  // namespace vt
