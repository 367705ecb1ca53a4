#include "app/online_update_server.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vt::test {

static const char* const kServerScript = R"PY(
import http.server, ssl, sys, time
root, log = sys.argv[1], sys.argv[2]

class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=root, **kwargs)

    def log_message(self, *args):
        pass

    def do_GET(self):
        with open(log, "a") as f:
            f.write(self.path + "\n")
        if self.path.startswith("/drip/") or self.path.startswith("/endless/"):
            return self.send_forever(self.path.startswith("/drip/"))
        for prefix in ("/stall/", "/downgrade/"):
            if self.path.startswith(prefix):
                name = self.path[len(prefix):]
                if name.endswith(".sha256"):
                    self.path = "/" + name
                elif prefix == "/stall/":
                    self.send_response(200)
                    self.send_header("Content-Length", "1000000")
                    self.end_headers()
                    self.wfile.write(b"\x7fELF")
                    self.wfile.flush()
                    time.sleep(600)
                    return
                else:
                    self.send_response(302)
                    port = self.server.server_address[1]
                    self.send_header("Location", "http://localhost:%d/%s" % (port, name))
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
        super().do_GET()

    def send_forever(self, drip):
        self.send_response(200)
        if drip:
            self.send_header("Content-Length", "1000000000")
        self.end_headers()
        self.wfile.write(b"\x7fELF")
        try:
            while True:
                self.wfile.write(b"x" * (64 if drip else 65536))
                self.wfile.flush()
                if drip:
                    time.sleep(0.05)
        except OSError:
            pass

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
if len(sys.argv) > 4:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[3], sys.argv[4])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
)PY";

LocalServer::LocalServer(const std::string& root, const std::string& certificate, const std::string& key) {
  if (!certificate.empty()) scheme_ = "https";
  std::string script = work_ / "server.py";
  std::string log = work_ / "requests.log";
  std::ofstream(script) << kServerScript;
  std::ofstream(log).flush();

  int out[2];
  if (pipe(out) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    if (certificate.empty())
      execlp("python3", "python3", script.c_str(), root.c_str(), log.c_str(), (char*)nullptr);
    else
      execlp("python3", "python3", script.c_str(), root.c_str(), log.c_str(), certificate.c_str(), key.c_str(),
             (char*)nullptr);
    _exit(127);
  }
  close(out[1]);
  // The server prints its port once it listens; a server that does not start within 20 s counts as down.
  std::string line;
  pollfd waiting{out[0], POLLIN, 0};
  char c;
  while (pid_ > 0 && poll(&waiting, 1, 20000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  port_ = std::atoi(line.c_str());
}

LocalServer::~LocalServer() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string LocalServer::Url(const std::string& path) const {
  return scheme_ + "://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::vector<std::string> LocalServer::Requests() const {
  std::ifstream log(work_ / "requests.log");
  std::vector<std::string> requests;
  for (std::string line; std::getline(log, line);) requests.push_back(line);
  return requests;
}

}  // namespace vt::test
