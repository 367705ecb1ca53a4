#!/usr/bin/env python3
"""The Debian package as a user gets it: checked, installed, used and purged on this machine.

lintian finds no error in the package and appstreamcli accepts its metainfo. Installed with apt,
/usr/bin/vellumtide starts on a private Xvfb display with a book given on its command line, shows
it yellow on blue, and keeps its settings and the book's position in ~/.config/vellumtide/ (even
as root, who could write /usr/bin); its update command writes nothing. Purged, nothing of it is left.

Needs root (it installs the package on this machine). Usage: deb_package_test.py PACKAGE.deb
"""
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
from e2e_test import QUIET, Reader, start_xvfb  # noqa: E402

PACKAGE = None
PROGRAM = "/usr/bin/vellumtide"
INSTALLED = [PROGRAM, "/usr/share/applications/vellumtide.desktop",
             "/usr/share/metainfo/app.vellumtide.vellumtide.metainfo.xml",
             "/usr/share/icons/hicolor/48x48/apps/vellumtide.png",
             "/usr/share/icons/hicolor/128x128/apps/vellumtide.png",
             "/usr/share/icons/hicolor/256x256/apps/vellumtide.png",
             "/usr/share/icons/hicolor/scalable/apps/vellumtide.svg",
             "/usr/share/vellumtide/screenshots/reader.png",
             "/usr/share/man/man1/vellumtide.1.gz", "/usr/share/doc/vellumtide/copyright"]


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


class InstalledReader(Reader):
    """A run of the installed program, as a user whose home is a fresh temporary folder."""

    def __init__(self, book):
        super().__init__()
        os.remove(self.program)  # the installed program runs, not a copy
        self.program = PROGRAM
        self.args = [book]
        self.config = os.path.join(self.folder, ".config", "vellumtide")
        self.env.pop("XDG_CONFIG_HOME")
        os.makedirs(self.config)
        with open(os.path.join(self.config, "vellumtide.ini"), "wb") as f:
            f.write(("[All]\r\n" + "".join(f"{k}={v}\r\n" for k, v in QUIET.items())).encode())
        self.ini = os.path.join(self.config, "vellumtide.ini")


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        result = run("apt-get", "install", "-y", "--no-install-recommends", os.path.abspath(PACKAGE),
                     env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
        if result.returncode != 0:
            raise AssertionError("apt-get install failed:\n" + result.stdout + result.stderr)

    @classmethod
    def tearDownClass(cls):
        run("apt-get", "purge", "-y", "vellumtide")

    def test_1_lintian_finds_no_error_and_the_metainfo_is_valid(self):
        lint = run("lintian", "--fail-on", "error", PACKAGE)
        print(lint.stdout, end="")
        self.assertEqual(lint.returncode, 0, lint.stdout + lint.stderr)
        valid = run("appstreamcli", "validate", "--no-net", INSTALLED[2])
        self.assertEqual(valid.returncode, 0, valid.stdout + valid.stderr)
        valid = run("desktop-file-validate", INSTALLED[1]) if shutil.which("desktop-file-validate") else None
        if valid:
            self.assertEqual(valid.returncode, 0, valid.stdout + valid.stderr)

    def test_2_the_package_holds_the_files_and_asks_for_no_build_tools(self):
        for path in INSTALLED:
            self.assertTrue(os.path.isfile(path), path)
        depends = run("dpkg-query", "-W", "-f", "${Depends}", "vellumtide").stdout
        for needed in ("libqt6widgets6", "libespeak-ng1", "libpulse0", "espeak-ng-data"):
            self.assertIn(needed, depends)
        for tool in ("-dev", "cmake", "g++", "ninja"):
            self.assertNotIn(tool, depends)

    def test_3_the_installed_reader_shows_a_book_and_keeps_settings_in_the_config_folder(self):
        book = os.path.join(tempfile.mkdtemp(prefix="vellumtide-deb-"), "Café notes.txt")
        with open(book, "w", encoding="utf-8") as f:
            f.write("Café notes\n\n" + "A line of the user's own book.\n\n" * 400)
        reader = InstalledReader(book)
        try:
            reader.start()
            shot = os.path.join(reader.folder, "shot.png")
            reader.screenshot(shot)
            self.assertEqual(reader.pixel(shot, 900, 600), (0, 0, 255))  # the pane, blue
            reader.keys("Next", "Next")
            reader.keys("u")  # the update command: nothing is fetched or written
            time.sleep(1)
            reader.end_with_esc()
            saved = reader.saved()
            self.assertEqual(saved["EditFileName"], "Café notes")
            with open(os.path.join(reader.config, "vellumtide.books"), "rb") as f:
                self.assertIn(book, f.read().decode())
            for stray in ("vellumtide.ini", "vellumtide.tmp", "vellumtide.old"):
                self.assertFalse(os.path.exists("/usr/bin/" + stray), stray)
            self.assertEqual(run("dpkg", "--verify", "vellumtide").stdout, "")  # the program is as installed
        finally:
            reader.close()
            shutil.rmtree(os.path.dirname(book), ignore_errors=True)

    def test_4_purging_leaves_nothing(self):
        result = run("apt-get", "purge", "-y", "vellumtide")
        self.assertEqual(result.returncode, 0, result.stderr)
        for path in INSTALLED + ["/usr/share/vellumtide", "/usr/share/doc/vellumtide"]:
            self.assertFalse(os.path.exists(path), path)


def main():
    global PACKAGE
    PACKAGE = sys.argv.pop(1)
    e2e_test.EXECUTABLE = PROGRAM  # each run copies it away and then runs the installed one
    e2e_test.DISPLAY, e2e_test.XVFB = start_xvfb()
    try:
        unittest.main(verbosity=2)
    finally:
        e2e_test.XVFB.terminate()
        e2e_test.XVFB.wait()


if __name__ == "__main__":
    main()
