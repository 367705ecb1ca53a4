// The user's folders on Linux: the XDG documents and download folders (as user-dirs.dirs names
// them, through Qt) and "~/Books", and one folder's entries through POSIX directory calls. Nothing
// here follows a link: each entry is looked at as itself. Runs on any thread; no state.
#include "platform/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>

namespace vt {

static std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

std::vector<std::string> UsualBookFolders() {
  std::vector<std::string> folders;
  for (auto location : {QStandardPaths::DocumentsLocation, QStandardPaths::DownloadLocation}) {
    const QString path = QStandardPaths::writableLocation(location);
    if (!path.isEmpty()) folders.push_back(Utf8(QDir::cleanPath(path)));
  }
  folders.push_back(Utf8(QDir::cleanPath(QDir::homePath() + "/Books")));
  return folders;
}

// An entry as itself, its link not followed.
static FolderEntry EntryOf(int folderFd, const char* name) {
  FolderEntry entry;
  entry.name = name;
  entry.hidden = name[0] == '.';
  struct stat info {};
  if (fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return entry;
  entry.link = S_ISLNK(info.st_mode);
  entry.folder = S_ISDIR(info.st_mode);
  entry.file = S_ISREG(info.st_mode);
  return entry;
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  // O_NONBLOCK: a FIFO given as the folder never holds the call; O_DIRECTORY refuses it anyway.
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return false;
  }
  while (const dirent* d = readdir(dir)) {
    const std::string_view name = d->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back(EntryOf(fd, d->d_name));
  }
  closedir(dir);
  return true;
}

}  // namespace vt
