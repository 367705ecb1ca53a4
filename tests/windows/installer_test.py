#!/usr/bin/env python3
"""The Windows installer and the portable zip, under Wine in a fresh prefix of their own.

The installer runs silently (/S) as an ordinary user: the program lands in
%LOCALAPPDATA%\\Programs\\Vellumtide with its Start-menu shortcut, the "Open with" entries and the
entry in the user's installed programs, all under HKEY_CURRENT_USER. The installed program, given
a book, shows it yellow on blue and keeps its settings in %APPDATA%\\Vellumtide. The silent
uninstaller then leaves nothing of the reader in the prefix's files or registry but those settings.
The portable zip holds the program, a README and the licence in one folder.

Usage: installer_test.py BUILD_DIR   (the Windows build, after `cmake --build BUILD_DIR --target package`)
"""
import glob
import os
import shutil
import subprocess
import sys
import time
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import e2e_test  # noqa: E402
import wine_smoke_test  # noqa: E402
from e2e_test import QUIET  # noqa: E402
from wine_run import wine_environment  # noqa: E402
from wine_smoke_test import PANE_CROP, WineReader  # noqa: E402

BUILD = None
VERSION = "1.8.0"
OUR_KEYS = [r"HKCU\Software\Classes\Vellumtide.Book", r"HKCU\Software\Classes\Applications\vellumtide.exe",
            r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellumtide"]
FORMATS = [".txt", ".epub", ".htm", ".html", ".xhtml", ".docx", ".odt"]


class Prefix:
    """A fresh Wine prefix under the build folder, on the test's display."""

    def __init__(self):
        self.path = os.path.join(BUILD, "installer-wine-prefix")
        shutil.rmtree(self.path, ignore_errors=True)
        self.env = wine_environment(self.path, e2e_test.DISPLAY)
        self.user = glob.glob(os.path.join(self.path, "drive_c", "users", "*", "AppData"))
        self.user = [u for u in self.user if "Public" not in u][0]
        self.programs = os.path.join(self.user, "Local", "Programs", "Vellumtide")
        self.settings = os.path.join(self.user, "Roaming", "Vellumtide")
        self.shortcut = os.path.join(self.user, "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                                     "Vellumtide.lnk")

    def run(self, *command, timeout=120):
        result = subprocess.run(["wine", *command], env=self.env, capture_output=True, text=True, timeout=timeout)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=timeout)  # an uninstaller runs on from a copy
        return result

    def key_exists(self, key):
        return self.run("reg", "query", key).returncode == 0

    def files_of_the_reader(self):
        """Every file or folder of the prefix whose name mentions the reader."""
        found = []
        for root, folders, files in os.walk(os.path.join(self.path, "drive_c")):
            found += [os.path.join(root, n) for n in folders + files if "vellumtide" in n.lower()]
        return found

    def registry_mentions_of_the_reader(self):
        exported = os.path.join(self.path, "drive_c", "hkcu.reg")
        self.run("reg", "export", "HKCU", "C:\\hkcu.reg")
        with open(exported, "rb") as f:
            text = f.read().decode("utf-16", errors="replace")
        os.remove(exported)
        return [line for line in text.splitlines() if "vellumtide" in line.lower()]


class InstalledReader(WineReader):
    """The installed program, started by its path in the prefix, with a book."""

    def __init__(self, prefix, book):
        e2e_test.EXECUTABLE = os.path.join(prefix.programs, "vellumtide.exe")
        wine_smoke_test.PREFIX = prefix.path
        super().__init__()
        os.remove(self.program)  # the installed program runs, not a copy
        self.program = e2e_test.EXECUTABLE
        self.env.update(prefix.env)
        self.args = [book]
        self.ini = os.path.join(prefix.settings, "vellumtide.ini")

    def start(self, timeout=60):
        self.process = subprocess.Popen(["wine", self.program, *self.args], cwd=self.folder, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return self.wait_for_window(timeout)


class WindowsPackages(unittest.TestCase):
    def test_the_installer_installs_for_the_user_and_the_uninstaller_leaves_only_the_settings(self):
        prefix = Prefix()
        setup = os.path.join(BUILD, f"vellumtide-{VERSION}-setup.exe")
        self.assertEqual(prefix.run(setup, "/S").returncode, 0)

        for name in ("vellumtide.exe", "vellumtide.installed", "uninstall.exe", "README.txt", "LICENSE.txt"):
            self.assertTrue(os.path.isfile(os.path.join(prefix.programs, name)), name)
        self.assertTrue(os.path.isfile(prefix.shortcut))
        for key in OUR_KEYS:
            self.assertTrue(prefix.key_exists(key), key)
        for ext in FORMATS:
            listed = prefix.run("reg", "query", rf"HKCU\Software\Classes\{ext}\OpenWithProgids").stdout
            self.assertIn("Vellumtide.Book", listed, ext)

        # The installed reader opens a book of the user's, as "Open with" would.
        os.makedirs(prefix.settings)
        with open(os.path.join(prefix.settings, "vellumtide.ini"), "wb") as f:
            f.write(("[All]\r\n" + "".join(f"{k}={v}\r\n" for k, v in QUIET.items())).encode())
        books = os.path.join(prefix.path, "drive_c", "books")
        os.makedirs(books)
        with open(os.path.join(books, "notes.txt"), "w", encoding="utf-8") as f:
            f.write("Café notes\n\n" + "A line of the user's own book.\n\n" * 40)
        reader = InstalledReader(prefix, "C:\\books\\notes.txt")
        self.addCleanup(reader.close)
        reader.start()
        shot = os.path.join(reader.folder, "installed.png")
        reader.screenshot(shot)
        self.assertEqual(reader.dominant_colour(shot, PANE_CROP), "#0000FF")
        reader.keys("u")  # the update command of an installed program fetches and writes nothing
        time.sleep(1)
        saved = reader.end_with_esc().saved()
        self.assertEqual(saved["EditFileName"], "Café notes")
        self.assertFalse(os.path.exists(os.path.join(prefix.programs, "vellumtide.ini")))
        self.assertFalse(os.path.exists(os.path.join(prefix.programs, "vellumtide.tmp")))

        uninstaller = os.path.join(prefix.programs, "uninstall.exe")
        self.assertEqual(prefix.run(uninstaller, "/S").returncode, 0)
        time.sleep(1)
        subprocess.run(["wineserver", "-w"], env=prefix.env, timeout=120)
        left = [p for p in prefix.files_of_the_reader() if not p.startswith(prefix.settings)]
        self.assertEqual(left, [])
        self.assertTrue(os.path.isfile(os.path.join(prefix.settings, "vellumtide.ini")), "the settings stay")
        self.assertEqual(prefix.registry_mentions_of_the_reader(), [])
        for ext in FORMATS:
            self.assertFalse(prefix.key_exists(rf"HKCU\Software\Classes\{ext}"), ext)

    def test_the_portable_zip_holds_the_program_a_readme_and_the_licence(self):
        folder = f"vellumtide-{VERSION}-portable/"
        with zipfile.ZipFile(os.path.join(BUILD, f"vellumtide-{VERSION}-portable.zip")) as archive:
            names = sorted(n for n in archive.namelist() if not n.endswith("/"))
            self.assertEqual(names, [folder + n for n in ("LICENSE.txt", "README.txt", "vellumtide.exe")])
            self.assertIn(b"\r\n", archive.read(folder + "README.txt"))


def main():
    global BUILD
    BUILD = os.path.abspath(sys.argv[1])
    return e2e_test.run_on_private_display([sys.argv[0]] + sys.argv[2:])


if __name__ == "__main__":
    sys.exit(main())
