// One reader per settings file. The first reader binds a Unix socket in the abstract namespace,
// named after a digest of the settings file's path: the kernel releases the name when the process
// ends, however it ends, so no stale lock is ever left behind. A later start finds the name taken,
// connects, asks the running reader to come to the front, and gives up its own start.
//
// State: the sockets this process holds, by settings path; touched on the user-interface thread only.
#include "platform/window.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <map>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vt {

static std::map<std::string, int> claimedFiles;  // settings path -> listening socket

// The abstract socket address of a settings file: a leading NUL, then a name from its path's digest.
static socklen_t SocketAddress(const std::string& settingsPath, sockaddr_un& address) {
  QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(settingsPath), QCryptographicHash::Sha256);
  std::string name = "vellumtide-" + digest.toHex().left(32).toStdString();
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

// Every connection to the socket is a later start asking this reader to come to the front.
static void ServeComeForwardRequests(int listening, std::function<void()> comeForward) {
  auto* notifier = new QSocketNotifier(listening, QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [listening, comeForward] {
    int client = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    close(client);
    if (comeForward) comeForward();
  });
}

// Asks the reader that holds the address to come to the front.
static void AskToComeForward(const sockaddr_un& address, socklen_t length) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
  close(fd);
}

bool ClaimSettingsFile(const std::string& settingsPath, std::function<void()> comeForward) {
  if (claimedFiles.count(settingsPath)) return true;
  sockaddr_un address;
  socklen_t length = SocketAddress(settingsPath, address);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return true;  // no way to tell: better a reader than none
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    bool taken = errno == EADDRINUSE;
    close(fd);
    if (taken) AskToComeForward(address, length);
    return !taken;
  }
  if (listen(fd, 4) != 0) {
    close(fd);
    return true;
  }
  claimedFiles[settingsPath] = fd;
  ServeComeForwardRequests(fd, std::move(comeForward));
  return true;
}

}  // namespace vt
