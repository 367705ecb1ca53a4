# A local web server for the download tests under Wine: /body (100,000 bytes), /downgrade/body (a
# redirect to /body on plain http), /stall/body (promises a body, sends 4 bytes, then waits),
# /files/NAME (the file NAME of the folder that CHECK_SERVER_FILES names, as it is at the request),
# anything else 404.
# Usage: python3 check_server.py PORT_FILE [CERT KEY]   (writes its port into PORT_FILE; with a
# certificate and its key it speaks https)
import http.server
import os
import ssl
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/body":
            self.answer(200, b"\0" * 100000)
        elif self.path == "/downgrade/body":
            self.send_response(302)
            self.send_header("Location", "http://localhost:%d/body" % self.server.server_address[1])
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif self.path == "/stall/body":
            self.send_response(200)
            self.send_header("Content-Length", "1000000")
            self.end_headers()
            self.wfile.write(b"MZ\0\0")
            self.wfile.flush()
            time.sleep(60)
        elif self.path.startswith("/files/") and self.served_file():
            with open(self.served_file(), "rb") as f:
                self.answer(200, f.read())
        else:
            self.answer(404, b"missing")

    def served_file(self):
        """The path of the file /files/NAME asks for, or None."""
        folder, name = os.environ.get("CHECK_SERVER_FILES"), self.path[len("/files/"):]
        if not folder or "/" in name or name.startswith("."):
            return None
        path = os.path.join(folder, name)
        return path if os.path.isfile(path) else None

    def answer(self, status, body):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
if len(sys.argv) > 3:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
with open(sys.argv[1], "w") as port_file:
    port_file.write(str(server.server_address[1]))
server.serve_forever()
