// Windows has no package manager that installs the reader: an installed copy is the installer's,
// and that installer leaves a marker beside the program (see core/installation.h).
#include "platform/installation.h"

namespace vt {

std::vector<std::string> PackageManagerProgramFolders() { return {}; }

}  // namespace vt
