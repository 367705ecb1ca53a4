#!/usr/bin/env python3
"""The online update of vellumtide.exe under Wine, against the local check server.

The server offers a newer release (this very program with a few bytes more, so that it still runs)
and its digest. U downloads it: the reader checks it as a PE program of its own kind, renames the
running vellumtide.exe to vellumtide.old, puts the new one in under the program's own name and
starts it; that new reader removes vellumtide.old as it starts. Esc then ends it, and the settings
it wrote are the program's 45.

Usage: wine_update_test.py PREFIX PATH_TO_VELLUMTIDE_EXE
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import e2e_test  # noqa: E402
import wine_smoke_test  # noqa: E402
from e2e_test import QUIET, WRITE_ORDER  # noqa: E402
from wine_run import start_check_servers  # noqa: E402

# How long Wine may take to start a reader, or to fetch and swap; these bound a hang, not the speed.
START_WAIT = 240
SWAP_WAIT = 120


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class WineUpdate(unittest.TestCase):
    def setUp(self):
        self.served = tempfile.mkdtemp(prefix="vellumtide-served-")
        self.addCleanup(shutil.rmtree, self.served, ignore_errors=True)
        os.environ["CHECK_SERVER_FILES"] = self.served
        self.servers, addresses = start_check_servers(self.served)
        self.addCleanup(self.stop_servers)
        self.address = addresses.split()[0] + "/files/vellumtide.exe"  # plain http to 127.0.0.1

    def stop_servers(self):
        for server in self.servers:
            server.terminate()
            server.wait()

    def publish(self, program):
        """Puts a release and its digest file on the server."""
        with open(os.path.join(self.served, "vellumtide.exe"), "wb") as f:
            f.write(program)
        with open(os.path.join(self.served, "vellumtide.exe.sha256"), "w") as f:
            f.write(hashlib.sha256(program).hexdigest() + "  vellumtide.exe\n")

    def wait_for(self, condition, timeout, what):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if condition():
                return
            time.sleep(0.2)
        self.fail(what)

    def test_the_update_swaps_the_program_and_starts_the_new_one(self):
        reader = wine_smoke_test.WineReader(settings=dict(QUIET, Book="3"))
        self.addCleanup(reader.close)
        # The new reader is Wine's child, not ours: should the test fail with it running, the
        # build's own Wine prefix is ended whole.
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=reader.env, stderr=subprocess.DEVNULL)
        reader.env["VELLUMTIDE_UPDATE_URL"] = self.address
        with open(reader.program, "rb") as f:
            old = f.read()
        new = old + b"\nrelease new"  # bytes after a PE program leave it as it runs
        self.publish(new)
        program, aside = reader.program, os.path.join(reader.folder, "vellumtide.old")
        reader.start(timeout=START_WAIT)

        reader.keys("u", pause=0.5)
        reader.wait_end(timeout=SWAP_WAIT)  # the old reader ends once the new one is in place
        self.assertEqual(digest(program), hashlib.sha256(new).hexdigest())
        self.assertFalse(os.path.exists(os.path.join(reader.folder, "vellumtide.tmp")))
        # The old reader wrote its settings as it ended, and started the new one, which takes the
        # old file away as it starts.
        self.assertEqual([line.split("=")[0] for line in reader.saved_lines()[1:]], WRITE_ORDER)
        self.wait_for(lambda: reader.xdotool("search", "--onlyvisible", "--name", "^Vellumtide   1.8$", check=False),
                      START_WAIT, "the new reader's window did not appear")
        self.wait_for(lambda: not os.path.exists(aside), START_WAIT, "vellumtide.old is still there")
        window = reader.xdotool("search", "--onlyvisible", "--name", "^Vellumtide   1.8$").split()[-1]
        reader.xdotool("windowactivate", window, check=False)
        reader.xdotool("key", "--window", window, "Escape", check=False)
        self.wait_for(lambda: not reader.xdotool("search", "--onlyvisible", "--name", "^Vellumtide   1.8$",
                                                  check=False), START_WAIT, "Esc did not end the new reader")


def main():
    wine_smoke_test.PREFIX = sys.argv[1]
    e2e_test.EXECUTABLE = os.path.abspath(sys.argv[2])
    return e2e_test.run_on_private_display([sys.argv[0]] + sys.argv[3:])


if __name__ == "__main__":
    sys.exit(main())
