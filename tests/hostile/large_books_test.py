#!/usr/bin/env python3
"""End-to-end tests of large and hostile user's books (sizes scaled down; the 200 MB book is
measured by the benchmark): a book without blank lines, random bytes and random text, a book too large to show,
and a book with Linux line ends. Each runs the built reader on a private Xvfb display.

Usage: large_books_test.py PATH_TO_VELLUMTIDE [unittest arguments]
"""
import os
import random
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import e2e_test  # noqa: E402  (the reader harness: program folder, Xvfb, xdotool, settings file)
from e2e_test import QUIET, Reader  # noqa: E402

REPRO_LINE = b"In the beginning God created the heaven and the earth. And the earth was without form.\r\n"


class LargeBooks(unittest.TestCase):
    def run_reader(self, trash, **settings):
        reader = Reader(settings=dict(QUIET, Book="6", **settings), trash=trash)
        self.addCleanup(reader.close)
        return reader.start(timeout=60)

    def assert_title_is_clean(self, saved):
        self.assertFalse(any(ord(c) < 32 or ord(c) == 127 for c in saved["EditFileName"]), saved["EditFileName"])

    def test_a_book_without_blank_lines_shows_and_answers_every_command(self):
        reader = self.run_reader(b"T\r\n" + REPRO_LINE * 240000)  # 20 MB
        reader.keys("l", "s", "p", "w", "p", "w", "r", pause=0.2)
        self.assertTrue(reader.alive())
        saved = reader.end_with_esc().saved()
        self.assertEqual((saved["Book"], saved["EditFileName"]), ("6", "T"))

    def test_random_bytes_are_refused_and_random_text_keeps_the_settings_file_clean(self):
        noise = random.Random(13).randbytes(5 << 20)
        # bytes below 32 make a file binary, and it is refused; without them it is text in Windows-1252
        for trash, book in ((noise, "0"), (bytes(b | 0x20 for b in noise), "6")):
            reader = self.run_reader(trash)
            reader.keys("l", "s", "w", "w", "t", pause=0.2)
            self.assertTrue(reader.alive())
            saved = reader.end_with_esc().saved()
            self.assertEqual(saved["Book"], book)
            self.assert_title_is_clean(saved)

    def test_a_book_too_large_to_show_falls_back_to_the_first_book(self):
        reader = Reader(settings=dict(QUIET, Book="6"))
        self.addCleanup(reader.close)
        with open(os.path.join(reader.folder, "trash.txt"), "wb") as f:
            f.truncate(300 << 20)  # sparse: nothing is written
        reader.start(timeout=60)
        saved = reader.end_with_esc().saved()
        self.assertEqual((saved["Book"], saved["EditFileName"]), ("0", "Constitution"))

    def test_linux_line_ends_give_the_title_its_first_line(self):
        reader = self.run_reader("Caf\u00e9 Stories\nby Zo\u00eb\n\nOnce upon a time\nthere was.\n".encode())
        saved = reader.end_with_esc().saved()
        self.assertEqual(saved["EditFileName"], "Caf\u00e9 Stories")


if __name__ == "__main__":
    e2e_test.EXECUTABLE = os.path.abspath(sys.argv[1])
    sys.exit(e2e_test.run_on_private_display([sys.argv[0]] + sys.argv[2:]))
