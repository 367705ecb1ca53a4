#!/usr/bin/env python3
"""End-to-end tests of the built reader against hostile files and faults around it: special files
in place of the settings or the user's book, a protected settings file, hand-edited window sizes,
what an interrupted or failed save leaves, a second start in the same folder, and a stalled update
server. Uses the end-to-end harness (a private Xvfb display, xdotool).

Usage: hostile_faults_test.py PATH_TO_VELLUMTIDE [unittest arguments]
"""
import hashlib
import http.server
import os
import re
import signal
import stat
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_test  # noqa: E402
from e2e_test import QUIET, Reader  # noqa: E402


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class StalledUpdateServer:
    """Serves a digest file at /vellumtide.sha256 and, at /vellumtide, a program that never comes:
    four bytes, then nothing."""

    def __init__(self):
        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                self.send_response(200)
                if self.path.endswith(".sha256"):
                    body = hashlib.sha256(b"never").hexdigest().encode() + b"  vellumtide\n"
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body)
                    return
                self.send_header("Content-Length", "1000000")
                self.end_headers()
                self.wfile.write(b"\x7fELF")
                self.wfile.flush()
                time.sleep(120)

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/vellumtide" % self.server.server_address[1]

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class HostileFaults(unittest.TestCase):
    def reader(self, **kwargs):
        reader = Reader(**kwargs)
        self.addCleanup(reader.close)
        return reader

    def window_size(self, reader):
        out = reader.xdotool("getwindowgeometry", reader.window)
        width, height = re.search(r"Geometry: (\d+)x(\d+)", out).groups()
        return int(width), int(height)

    def test_special_files_in_place_of_the_book_or_the_settings_never_hang(self):
        cases = {
            "FIFO book": lambda r: os.mkfifo(os.path.join(r.folder, "trash.txt")),
            "book linked to /dev/zero": lambda r: os.symlink("/dev/zero", os.path.join(r.folder, "trash.txt")),
            "book linked to /dev/urandom": lambda r: os.symlink("/dev/urandom", os.path.join(r.folder, "trash.txt")),
            "FIFO settings": lambda r: (os.remove(r.ini), os.mkfifo(r.ini)),
        }
        for name, make in cases.items():
            with self.subTest(name):
                reader = self.reader(settings=dict(QUIET, Book="6"))
                make(reader)
                reader.start(timeout=20)
                reader.end_with_esc()
                if name == "FIFO settings":
                    self.assertTrue(stat.S_ISFIFO(os.stat(reader.ini).st_mode))
                else:
                    self.assertEqual(reader.saved()["Book"], "0")  # counted as missing: book 0 instead

    def test_a_read_only_settings_file_is_kept_and_the_settings_go_to_the_config_folder(self):
        reader = self.reader(settings=dict(QUIET, FontSize="40"))
        before = read_bytes(reader.ini)
        os.chmod(reader.ini, 0o444)
        reader.start()
        reader.keys("l")
        reader.end_with_esc()
        self.assertEqual(read_bytes(reader.ini), before)
        self.assertEqual(stat.S_IMODE(os.stat(reader.ini).st_mode), 0o444)
        reader.ini = os.path.join(reader.folder, "cfg", "vellumtide", "vellumtide.ini")
        self.assertEqual(reader.saved()["FontSize"], "44")

    def test_unusable_stored_sizes_start_a_usable_window(self):
        for width, height in (("0", "0"), ("-300", "-200"), ("120", "90")):
            with self.subTest(width=width, height=height):
                reader = self.reader(settings=dict(QUIET, Width=width, Height=height, Left="5000", Top="4000"))
                reader.start(timeout=20)
                shown = self.window_size(reader)
                self.assertGreaterEqual(shown, (640, 400))
                saved = reader.end_with_esc().saved()
                self.assertGreaterEqual((int(saved["Width"]), int(saved["Height"])), (640, 400))

    def test_left_overs_go_a_second_start_changes_nothing_and_a_failed_save_says_so(self):
        reader = self.reader(settings=QUIET)
        with open(reader.ini + ".new", "wb") as f:
            f.write(b"[All]\r\nFontSize=9\r\n")
        reader.start()
        self.assertFalse(os.path.exists(reader.ini + ".new"))
        before = read_bytes(reader.ini)

        second = subprocess.run([reader.program], cwd=reader.folder, env=reader.env, timeout=20,
                                capture_output=True)
        self.assertEqual(second.returncode, 0)
        self.assertTrue(reader.alive())
        self.assertEqual(read_bytes(reader.ini), before)

        os.mkdir(reader.ini + ".new")  # the save cannot write its new file
        reader.keys("l")
        reader.end_with_esc()
        self.assertEqual(read_bytes(reader.ini), before)
        self.assertIn(b"could not be saved", reader.process.stderr.read())

    def test_a_stalled_update_download_leaves_the_window_responsive_and_ends_on_esc_or_sigterm(self):
        server = StalledUpdateServer()
        self.addCleanup(server.close)
        for ending in ("Escape", "SIGTERM"):
            with self.subTest(ending):
                reader = self.reader(settings=QUIET)
                reader.env["VELLUMTIDE_UPDATE_URL"] = server.url
                program = read_bytes(reader.program)
                reader.start()
                reader.keys("u", pause=1.5)
                reader.keys("l")  # the window still takes commands
                started = time.time()
                if ending == "Escape":
                    reader.keys("Escape", pause=0)
                else:
                    reader.process.send_signal(signal.SIGTERM)
                reader.wait_end(timeout=10)
                self.assertLess(time.time() - started, 3)
                self.assertEqual(reader.saved()["FontSize"], "68")
                self.assertEqual(read_bytes(reader.program), program)
                left = set(os.listdir(reader.folder))
                self.assertFalse({"vellumtide.tmp", "vellumtide.old"} & left, left)

    def test_every_way_of_ending_saves_within_a_second(self):
        """A FIFO at a temporary save name is never opened; a hang-up ends like SIGTERM; an end
        with the search box open, or while a notice waits, ends the process, not only the window."""
        def fifo(name):
            return lambda r: os.mkfifo(os.path.join(r.folder, name))
        cases = [  # (name, what is planted before the start, keys before the end, how it ends)
            ("FIFO at the settings' new file", fifo("vellumtide.ini.new"), [], "Escape"),
            ("FIFO at the positions' new file", fifo("vellumtide.books.tmp"), [], "Escape"),
            ("hang-up", None, [], signal.SIGHUP),
            ("SIGTERM in the search box", None, ["f"], signal.SIGTERM),
            ("SIGINT in the search box", None, ["f"], signal.SIGINT),
            ("hang-up in the search box", None, ["f"], signal.SIGHUP),
            ("SIGTERM while a notice waits", None, ["v"], signal.SIGTERM),
        ]
        for name, plant, keys, ending in cases:
            with self.subTest(name):
                reader = self.reader(settings=dict(QUIET, UserBarDelay="8000"))
                with open(os.path.join(reader.folder, "notes.txt"), "wb") as f:
                    f.write(b"Notes\r\n\r\nSome text.\r\n")
                reader.args = ["notes.txt"]
                if plant:
                    plant(reader)
                reader.start()
                reader.keys("l", pause=0.2)
                reader.keys(*keys, pause=1)
                started = time.time()
                if ending == "Escape":
                    reader.keys("Escape", pause=0)
                else:
                    reader.process.send_signal(ending)
                reader.wait_end(timeout=10)
                self.assertLess(time.time() - started, 1.5)  # the second of the promise, and xdotool's start
                self.assertEqual(reader.process.returncode, 0)
                self.assertEqual(reader.saved()["FontSize"], "68")
                with open(os.path.join(reader.folder, "vellumtide.books"), "rb") as f:
                    self.assertIn(b"notes.txt", f.read())


if __name__ == "__main__":
    sys.exit(e2e_test.main())  # runs this file's tests on the reader and display it sets up
