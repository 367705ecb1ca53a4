// The folders Linux package managers put programs in (plain paths, no Qt). A copy anywhere else (a
// build folder, a home folder, a prefix of the user's own) is one the user looks after.
#include "platform/installation.h"

namespace vt {

std::vector<std::string> PackageManagerProgramFolders() {
  return {"/usr/bin/", "/usr/games/", "/bin/", "/usr/local/bin/", "/usr/local/games/"};
}

}  // namespace vt
