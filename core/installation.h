// Whether this copy of the reader was installed (by a package manager or by the installer) or is a
// copy the user keeps in a folder of their own. An installed copy keeps its settings in the user's
// configuration folder from the first start and leaves updates to whatever installed it; a copy of
// the user's own keeps its settings beside itself and updates itself.
#pragma once
#include <string>
#include <vector>

namespace vt {

enum class Installation {
  OwnCopy,         // unpacked or built by the user: settings beside the program, online updates
  PackageManager,  // in a folder the system's package manager fills (/usr/bin/ ...)
  Installer,       // put in place by the reader's installer, which leaves a marker beside it
};

// How the copy of the reader whose program file is `programFolder` + `baseName` is installed: in
// one of the package manager's folders, or beside a file named `baseName` + ".installed".
Installation InstallationOf(const std::string& programFolder, const std::string& baseName);

// The same for the running program.
Installation ThisInstallation();

// The notices the update command shows, one after the other, instead of updating an installed
// copy (each short enough for the bar's large letters); none for an own copy.
std::vector<std::string> UpdatesComeFromNotices(Installation installation);

}  // namespace vt
