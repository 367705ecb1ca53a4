// The rule that tells an installed reader from a copy of the user's own. The system answers only
// where its package manager puts programs; the installer's marker is a plain file beside the
// program, so the same rule holds on every system. Nothing here is cached: the answer is asked for
// once at start (the settings) and once per update command.
#include "core/installation.h"

#include "platform/files.h"
#include "platform/installation.h"

namespace vt {

Installation InstallationOf(const std::string& programFolder, const std::string& baseName) {
  for (const std::string& folder : PackageManagerProgramFolders())
    if (programFolder == folder) return Installation::PackageManager;
  if (IsRegularFile(programFolder + baseName + ".installed")) return Installation::Installer;
  return Installation::OwnCopy;
}

Installation ThisInstallation() { return InstallationOf(ProgramFolder(), ProgramBaseName()); }

std::vector<std::string> UpdatesComeFromNotices(Installation installation) {
  switch (installation) {
    case Installation::PackageManager: return {"Updated by your", "package manager"};
    case Installation::Installer: return {"Updated by a", "new installer"};
    case Installation::OwnCopy: break;
  }
  return {};
}

}  // namespace vt
