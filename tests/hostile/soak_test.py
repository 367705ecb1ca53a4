#!/usr/bin/env python3
"""A long random-input soak of the built reader on a private Xvfb display: random keys, clicks,
wheel turns (with and without Ctrl), the search box, and restarts on random books (odd names
included) after SIGTERM or SIGHUP. Once a minute it checks that the reader still answers (a colour change shows
on the screen within seconds) and reports its memory; at the end, that the settings file and the
reading positions file are whole. A click on Exit ends the reader as a user's would: the files are
checked then, and the reader starts again.

Not part of the ordinary test run (it takes a quarter of an hour). Run it with:
    python3 tests/hostile/soak_test.py build/vellumtide            # 15 minutes
    SOAK_MINUTES=60 SOAK_SEED=7 python3 tests/hostile/soak_test.py build/vellumtide
"""
import os
import random
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_test  # noqa: E402
from e2e_test import QUIET, WRITE_ORDER, Reader  # noqa: E402

MINUTES = float(os.environ.get("SOAK_MINUTES", "15"))
SEED = int(os.environ.get("SOAK_SEED", str(int(time.time()))))
ANSWER_SECONDS = 10  # a reader that shows no change this long after a key has stopped answering

# Letter shortcuts that change what is shown; "e" (shortcuts off at the next start) would end the
# soak's own way of checking, and "f" opens the search box, which the soak fills and closes itself.
KEYS = list("acklmnprstwv") + ["space", "Tab", "shift+Tab", "Return", "Next", "Prior", "Down", "Up",
                               "Home", "End", "Right", "Left", "ctrl+End", "F1"]


def write_books(folder, rng):
    """Books of every kind a user may hand the reader, by name."""
    books = {
        "notes.txt": b"My Notes\r\n\r\n" + b"A line of my own notes, long enough to wrap on the screen.\r\n" * 3000,
        "caf\u00e9 line\nbreak.txt": b"Odd Name\n\n" + b">>Chapter\nText of an odd name.\n" * 2000,
        "random.bin.txt": rng.randbytes(2 << 20),
        "one-paragraph.txt": b"T\r\n" + b"word " * 400000,
    }
    for name, data in books.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    return list(books)


class Soak(unittest.TestCase):
    def setUp(self):
        self.rng = random.Random(SEED)
        print(f"soak: {MINUTES} minutes, seed {SEED}", flush=True)
        self.reader = Reader(settings=dict(QUIET, Book="6"))
        self.addCleanup(self.reader.close)
        self.reader.env["VELLUMTIDE_UPDATE_URL"] = "https://127.0.0.1:9/vellumtide"  # fails at once
        stubs = os.path.join(self.reader.folder, "stubs")
        os.mkdir(stubs)
        with open(os.path.join(stubs, "xdg-open"), "w") as f:  # F1 opens no browser
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(os.path.join(stubs, "xdg-open"), 0o755)
        self.reader.env["PATH"] = stubs + os.pathsep + self.reader.env.get("PATH", "")
        self.books = write_books(self.reader.folder, self.rng)
        self.restarts = 0

    def start_on_a_random_book(self):
        self.reader.args = [self.rng.choice(self.books)] if self.rng.random() < 0.8 else []
        self.reader.start(timeout=60)

    def screen(self):
        return subprocess.run(["import", "-display", e2e_test.DISPLAY, "-window", "root", "-crop", "600x300+660+500",
                               "ppm:-"], capture_output=True, check=True).stdout

    def assert_answers(self):
        before = self.screen()
        deadline = time.time() + ANSWER_SECONDS
        while time.time() < deadline:
            self.reader.keys("c", pause=1)
            if self.screen() != before:
                return
        self.fail("the reader stopped answering")

    def assert_files_whole(self):
        lines = self.reader.saved_lines()
        self.assertEqual(lines[0], "[All]")
        self.assertEqual([line.partition("=")[0] for line in lines[1:]], WRITE_ORDER)
        positions = os.path.join(self.reader.folder, "vellumtide.books")
        if os.path.exists(positions):
            with open(positions, "rb") as f:
                entries = f.read().split(b"\r\n")
            self.assertEqual(entries[0], b"vellumtide-books 2")
            self.assertEqual(entries[-1], b"")
            for entry in entries[1:-1]:
                self.assertRegex(entry, rb"^position\t\d+\t[^\t\r\n]+$")

    def search(self):
        self.reader.keys("f", pause=0.5)
        word = "".join(self.rng.choice("aeinorst") for _ in range(self.rng.randint(1, 6)))
        self.reader.xdotool("type", "--delay", "20", word)
        self.reader.keys(self.rng.choice(["Return", "Escape"]), pause=0.5)

    def one_action(self):
        r = self.rng.random()
        x, y = self.rng.randrange(1920), self.rng.randrange(1080)
        if r < 0.55:
            self.reader.keys(self.rng.choice(KEYS), pause=0.15)
        elif r < 0.75:
            self.reader.click(x, y, button=self.rng.choice([1, 1, 1, 3]))
        elif r < 0.9:
            self.reader.xdotool("mousemove", str(x), str(y))
            ctrl = ["keydown", "ctrl"] if self.rng.random() < 0.3 else []
            self.reader.xdotool(*ctrl, "click", "--repeat", str(self.rng.randint(1, 5)), self.rng.choice(["4", "5"]))
            if ctrl:
                self.reader.xdotool("keyup", "ctrl")
        elif r < 0.95:
            self.search()
        elif r < 0.97:
            self.reader.keys("ctrl+b", pause=0.15)  # a key that is no shortcut
        else:
            # Another book: the reader is ended as a desktop ends it and started on a random one.
            self.reader.process.send_signal(self.rng.choice([signal.SIGTERM, signal.SIGHUP]))
            self.reader.wait_end(timeout=5)
            self.assertEqual(self.reader.process.returncode, 0)
            self.assert_files_whole()
            self.reader.process.stderr.close()
            self.restarts += 1
            self.start_on_a_random_book()

    def test_random_input_for_a_long_time(self):
        self.start_on_a_random_book()
        end = time.time() + MINUTES * 60
        next_check = time.time() + 60
        while time.time() < end:
            self.one_action()
            if not self.reader.alive():
                self.assertEqual(self.reader.process.returncode, 0, "the reader ended abnormally")
                self.assert_files_whole()  # Exit was clicked: it saved
                self.reader.process.stderr.close()
                self.restarts += 1
                self.start_on_a_random_book()
            if time.time() >= next_check:
                self.assert_answers()
                with open(f"/proc/{self.reader.process.pid}/status") as f:
                    rss = next(line for line in f if line.startswith("VmRSS")).split()[1]
                print(f"soak: {int(MINUTES * 60 - (end - time.time()))} s, answers, {int(rss) // 1024} MB, "
                      f"{self.restarts} restarts", flush=True)
                next_check = time.time() + 60
        self.reader.end_with_esc()
        self.assertEqual(self.reader.process.returncode, 0)
        self.assert_files_whole()


if __name__ == "__main__":
    sys.exit(e2e_test.main())
