// A real web server on 127.0.0.1 for the update tests (Python's http.server in a child process).
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

#include "support/temp_folder.h"

namespace vt::test {

// Serves the files of `root` on a free port of 127.0.0.1, over https when a certificate and key are
// given. Two kinds of path behave specially: "/stall/NAME" answers 200, sends four bytes and then
// nothing for ten minutes; "/downgrade/NAME" redirects to "http://localhost:PORT/NAME" (the same
// server, named otherwise). For both, a NAME ending in ".sha256" is served from `root` as usual.
// "/drip/NAME" sends 64 bytes every 50 ms for ever; "/endless/NAME" sends as fast as it can for
// ever, without a length.
class LocalServer {
 public:
  explicit LocalServer(const std::string& root, const std::string& certificate = "", const std::string& key = "");
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  bool Running() const { return port_ > 0; }
  int Port() const { return port_; }
  // "http://127.0.0.1:PORT/" followed by path ("https://" for a server with a certificate).
  std::string Url(const std::string& path) const;
  // The request targets received so far, in order.
  std::vector<std::string> Requests() const;

 private:
  vt_test::TempFolder work_;  // the server script and its request log
  std::string scheme_ = "http";
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace vt::test
