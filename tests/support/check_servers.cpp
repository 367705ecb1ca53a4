// Where the download tests' web servers are: named by the Windows test runner, or started here on
// Linux with the update tests' LocalServer, for as long as the test program runs.
#include "support/check_servers.h"

#include <cstdlib>
#include <memory>
#include <sstream>

#ifndef _WIN32
#include "app/online_update_server.h"
#include "support/temp_folder.h"
#endif

namespace vt_test {

#ifdef _WIN32

const CheckServers& TheCheckServers() {
  static const CheckServers servers = [] {
    CheckServers named;
    if (const char* both = std::getenv("VELLUMTIDE_TEST_SERVERS")) std::istringstream(both) >> named.plain >> named.selfSigned;
    return named;
  }();
  return servers;
}

#else

namespace {

struct StartedServers {
  TempFolder served;
  std::unique_ptr<vt::test::LocalServer> plain, selfSigned;

  StartedServers() {
    WriteFile(served / "body", std::string(100000, '\0'));
    plain = std::make_unique<vt::test::LocalServer>(served.path());
    const std::string certificate = served / "cert.pem", key = served / "key.pem";
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
                                "-subj /CN=localhost -keyout " + key + " -out " + certificate + " >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) selfSigned = std::make_unique<vt::test::LocalServer>(served.path(), certificate, key);
  }
};

std::string Base(const std::unique_ptr<vt::test::LocalServer>& server, const char* scheme, const char* host) {
  if (!server || !server->Running()) return std::string();
  return std::string(scheme) + "://" + host + ":" + std::to_string(server->Port());
}

}  // namespace

const CheckServers& TheCheckServers() {
  static StartedServers started;
  static const CheckServers servers{Base(started.plain, "http", "127.0.0.1"),
                                    Base(started.selfSigned, "https", "localhost")};
  return servers;
}

#endif

}  // namespace vt_test
