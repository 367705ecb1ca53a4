#!/usr/bin/env python3
"""Runs a Windows program under Wine on a private Xvfb display.

The Wine prefix is the build's own (made with `wineboot -i` on first use, about 9 s), so nothing of
the user's ~/.wine is touched. Wine 8's launcher for 64-bit programs is `wine`.

With --check-servers first, a plain and a self-signed https check_server.py run beside the program,
named to it in VELLUMTIDE_TEST_SERVERS ("http://127.0.0.1:PORT https://localhost:PORT").

Usage: wine_run.py [--check-servers] PREFIX PROGRAM.exe [arguments]
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_test import start_xvfb  # noqa: E402


def wine_environment(prefix, display):
    """The environment of a program run in `prefix` on `display`, the prefix made if new."""
    # No offer to install Mono or Gecko, and no menu entries made on the machine that runs the tests.
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all", DISPLAY=display,
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        os.makedirs(prefix, exist_ok=True)
        subprocess.run(["wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env, check=True)
    return env


def start_check_servers(work):
    """Starts the plain and the self-signed https check server; their processes and addresses."""
    here = os.path.dirname(os.path.abspath(__file__))
    certificate, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                    "-days", "1", "-subj", "/CN=localhost", "-keyout", key, "-out", certificate],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    servers, addresses = [], []
    for name, extra, scheme, host in (("port", [], "http", "127.0.0.1"),
                                      ("tls-port", [certificate, key], "https", "localhost")):
        port_file = os.path.join(work, name)
        servers.append(subprocess.Popen([sys.executable, os.path.join(here, "check_server.py"), port_file, *extra]))
        deadline = time.time() + 30
        while not (os.path.exists(port_file) and os.path.getsize(port_file)) and time.time() < deadline:
            time.sleep(0.05)
        with open(port_file) as f:
            addresses.append(f"{scheme}://{host}:{f.read().strip()}")
    return servers, " ".join(addresses)


def main():
    arguments = sys.argv[1:]
    with_servers = arguments[:1] == ["--check-servers"]
    if with_servers:
        arguments = arguments[1:]
    prefix, program, arguments = arguments[0], arguments[1], arguments[2:]
    display, xvfb = start_xvfb()
    servers = []
    try:
        env = wine_environment(prefix, display)
        with tempfile.TemporaryDirectory() as work:
            if with_servers:
                servers, env["VELLUMTIDE_TEST_SERVERS"] = start_check_servers(work)
            return subprocess.run(["wine", program, *arguments], env=env).returncode
    finally:
        for server in servers:
            server.terminate()
            server.wait()
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    sys.exit(main())
