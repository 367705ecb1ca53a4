#!/usr/bin/env python3
"""End-to-end checks of the reader by keyboard, on narrow screens, with the reader's own books and
through the accessibility bus, under a window manager (openbox) on a private Xvfb display.

Usage: keyboard_screen_test.py PATH_TO_VELLUMTIDE [unittest arguments]
Set E2E_SHOTS to a folder to keep the screenshots of the bar at each width.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_test as base  # noqa: E402  (the reader runner and the private display)

QUIET = {"UserBarDelay": "0", "sBeepOn": "0", "Book": "0"}
BLACK, PANE_BLUE, MENU_YELLOW = (0, 0, 0), (0, 0, 255), (255, 213, 0)
PLAY_TILE, STOP_TILE, BOOKS_TILE = (0, 80, 36), (142, 0, 21), (11, 71, 168)
SERVICES = {}  # what main() started: "pulse" (a server address), "dbus" (a bus address)


class Shot:
    """A screenshot as rows of (r, g, b)."""

    def __init__(self, reader):
        path = os.path.join(reader.folder, "shot.png")
        reader.screenshot(path)
        data = subprocess.run(["convert", path, "ppm:-"], capture_output=True, check=True).stdout
        parts = data.split(maxsplit=4)
        self.width, self.height = int(parts[1]), int(parts[2])
        self.bytes = parts[4]
        self.path = path

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.bytes[i:i + 3])

    def bar_bottom(self, x=900):
        """The first row of the pane (its blue ground) below the bar."""
        return next(y for y in range(self.height) if self.at(x, y) == PANE_BLUE)

    def has(self, colour, x0, x1, y0, y1, step=2):
        return any(self.at(x, y) == colour for y in range(y0, y1, step) for x in range(x0, x1, step))

    def runs(self, colour, y, x0=0, x1=None):
        """The (start, end) of each run of `colour` along row y."""
        out, start = [], None
        for x in range(x0, x1 or self.width):
            if self.at(x, y) == colour and start is None:
                start = x
            elif self.at(x, y) != colour and start is not None:
                out.append((start, x))
                start = None
        return out

    def focus_frame_sides(self, bottom):
        """The black columns that run the bar's whole height: the sides of the focus frame."""
        right = max(x for x in range(self.width) if self.at(x, bottom + 20) == PANE_BLUE)  # the window's
        columns = [x for x in range(right) if all(self.at(x, y) == BLACK for y in range(8, bottom - 8, 3))]
        sides = []
        for x in columns:
            if sides and x == sides[-1][1]:
                sides[-1][1] = x + 1
            else:
                sides.append([x, x + 1])
        return sides


class KeyboardAndScreen(unittest.TestCase):
    def run_reader(self, settings, args=(), env=None):
        reader = base.Reader(settings=settings)
        reader.args = list(args)
        reader.env.update(env or {})
        if "pulse" in SERVICES:
            reader.env["PULSE_SERVER"] = SERVICES["pulse"]
        self.addCleanup(reader.close)
        return reader.start()

    def test_tab_enter_space_and_esc_work_the_bar(self):
        reader = self.run_reader(dict(QUIET, DisableShortCuts="1"))
        bottom = Shot(reader).bar_bottom()
        self.assertEqual(Shot(reader).focus_frame_sides(bottom), [])
        reader.keys("Tab")
        first = Shot(reader).focus_frame_sides(bottom)
        self.assertEqual(len(first), 2, first)
        self.assertTrue(all(end - start >= 6 for start, end in first), first)
        reader.keys("Tab")
        second = Shot(reader).focus_frame_sides(bottom)
        self.assertGreater(second[0][0], first[0][0])
        reader.keys("shift+Tab")
        self.assertEqual(Shot(reader).focus_frame_sides(bottom), first)
        reader.keys("Tab", "Return")            # Books: the next book, and the focus goes to the pane
        reader.keys("Tab", "Tab", "space", pause=0.8)  # Books again, pressed by Space
        reader.keys("Tab")
        reader.end_with_esc()                   # Esc ends the reader from a focused button too
        self.assertEqual(reader.saved()["Book"], "2")

    def test_space_plays_and_stops_with_the_letters_on_or_off(self):
        if "pulse" not in SERVICES:
            self.skipTest("no private sound server")
        for letters in ("1", "0"):
            reader = self.run_reader(dict(QUIET, DisableShortCuts=letters))
            bottom = Shot(reader).bar_bottom()
            reader.keys("space", pause=1.0)
            shot = Shot(reader)
            self.assertTrue(shot.has(STOP_TILE, 0, 800, 10, bottom - 10), "Stop shows while reading")
            reader.keys("space", pause=1.0)
            self.assertTrue(Shot(reader).has(PLAY_TILE, 0, 800, 10, bottom - 10), "Play shows again")
            reader.end_with_esc()

    def test_every_button_shows_at_each_width(self):
        keep = os.environ.get("E2E_SHOTS")
        for width in (1024, 1280, 1366, 1920):
            reader = self.run_reader(dict(QUIET, DisableShortCuts="0", Maximized="0", Left="0", Top="0",
                                          Width=str(width), Height="700"))
            for menu_set in (0, 1, 2):
                shot = Shot(reader)
                bottom = shot.bar_bottom(x=width // 2)
                # the last button of every set is Menu, whose icon has a yellow bar
                self.assertTrue(shot.has(MENU_YELLOW, 0, width, 5, bottom, 1), f"{width} set {menu_set}")
                if keep:
                    shutil.copy(shot.path, os.path.join(keep, f"bar-{width}-set{menu_set}.png"))
                reader.keys("n")
            reader.end_with_esc()

    def test_a_click_on_the_empty_bar_does_not_eat_the_next_click(self):
        reader = self.run_reader(dict(QUIET, Maximized="0", Left="0", Top="0", Width="1900", Height="900"))
        shot = Shot(reader)
        books = shot.runs(BOOKS_TILE, 40)[0]
        reader.click(1800, 40)                      # the empty part of the bar, without moving
        reader.click((books[0] + books[1]) // 2, 40)  # the Books button
        reader.settle(1.0)
        self.assertEqual(reader.end_with_esc().saved()["Book"], "1")

    def test_a_file_named_at_start_is_the_users_book_with_its_own_place(self):
        folder = tempfile.mkdtemp(prefix="vellumtide-book-")
        self.addCleanup(shutil.rmtree, folder, True)
        notes = os.path.join(folder, "notes.txt")
        with open(notes, "wb") as f:
            f.write(b"My Notes\r\n\r\n" + b"".join(b"Line %d of my notes, long enough to wrap twice.\r\n" % i
                                                  for i in range(300)))
        reader = self.run_reader(dict(QUIET, BookMark6="7"), args=[notes])
        reader.keys("Next", "Next")
        saved = reader.end_with_esc().saved()
        self.assertEqual((saved["Book"], saved["EditFileName"], saved["BookMark6"]), ("6", "My Notes", "7"))
        with open(os.path.join(reader.folder, "vellumtide.books"), "rb") as f:
            header, entry = f.read().decode().split("\r\n")[:2]
        kind, position, path = entry.split("\t")
        self.assertEqual((header, kind), ("vellumtide-books 2", "position"))
        self.assertEqual(path, notes)
        self.assertGreater(int(position), 0)
        again = self.run_reader(dict(QUIET), args=[os.path.join(folder, "missing.txt")])
        self.assertTrue(again.alive())
        self.assertEqual(again.end_with_esc().saved()["Book"], "0")  # the book of the last run stays

    def test_the_shelf_opens_a_book_by_keys_and_follows_the_seventh_book(self):
        reader = base.Reader(settings=dict(QUIET, DisableShortCuts="1", Maximized="0", Left="0", Top="0",
                                           Width="1900", Height="900"))
        self.addCleanup(reader.close)
        books = os.path.join(reader.folder, "Books")
        os.makedirs(books)
        for name, title in (("other.txt", "Other Book"), ("notes.txt", "My Notes")):
            with open(os.path.join(books, name), "wb") as f:
                f.write(title.encode() + b"\r\n\r\n" + b"A line of the book.\r\n" * 50)
        reader.args = [os.path.join(books, "notes.txt")]
        reader.start()
        reader.keys("ctrl+o", pause=1.0)
        reader.keys("Down", "Return")            # read lately: notes; in the folders: other
        reader.settle(0.5)
        tile = Shot(reader).runs(BOOKS_TILE, 40)[0]
        reader.click((tile[0] + tile[1]) // 2, 40)  # Books after the seventh book: the shelf
        reader.keys("Down", "Return")            # other was read last, then notes
        saved = reader.end_with_esc().saved()
        self.assertEqual((saved["Book"], saved["EditFileName"]), ("6", "My Notes"))

    def test_screen_readers_see_the_pane_by_its_title_and_focusable_buttons(self):
        if "dbus" not in SERVICES:
            self.skipTest("no accessibility bus")
        reader = self.run_reader(dict(QUIET, DisableShortCuts="1"),
                                 env={"DBUS_SESSION_BUS_ADDRESS": SERVICES["dbus"], "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        exit_tile = Shot(reader).runs(BLACK, 40, 0, 200)[0]
        reader.click((exit_tile[0] + exit_tile[1]) // 2, 40, button=3)  # the shortcut list
        tree = json.loads(subprocess.run(["/usr/bin/python3", "-c", PROBE], env=reader.env, capture_output=True,
                                         text=True, timeout=60).stdout or "{}")
        reader.end_with_esc()
        self.assertEqual(tree.get("pane"), "Constitution")
        self.assertTrue(tree.get("text", "").startswith("Letter shortcuts are OFF"), tree.get("text"))
        buttons = tree.get("buttons", [])
        self.assertEqual(len(buttons), 10)
        self.assertTrue(all(focusable for _, focusable in buttons), buttons)
        self.assertIn(["Play", True], buttons)

    def test_magnifiers_and_screen_readers_follow_the_pane_the_notices_and_the_buttons(self):
        if "dbus" not in SERVICES:
            self.skipTest("no accessibility bus")
        reader = self.run_reader(dict(QUIET, Book="1", BookMark1="2000000", UserBarDelay="30000"),
                                 env={"DBUS_SESSION_BUS_ADDRESS": SERVICES["dbus"], "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        books = Shot(reader).runs(BOOKS_TILE, 40)[0]
        reader.click((books[0] + books[1]) // 2, 40, button=3)  # its long name stays 30 s, the window usable
        time.sleep(0.5)
        found = json.loads(subprocess.run(["/usr/bin/python3", "-c", GEOMETRY_PROBE], env=reader.env, capture_output=True,
                                          text=True, timeout=60).stdout or "{}")
        reader.close()
        pane, first = found.get("pane"), found.get("first")
        self.assertTrue(pane and first, found)
        # The first character on screen, deep in the Bible, lies inside the pane, and its middle
        # leads back to it.
        self.assertTrue(pane[0] <= first[0] < pane[0] + pane[2] and pane[1] <= first[1] < pane[1] + pane[3], found)
        self.assertGreater(first[2], 0)
        self.assertEqual(found.get("back"), found.get("offset"), found)
        self.assertIn(["alert", "Next Book"], found.get("notices"), found)
        labels = ["Exit", "Books", "Play", "Home", "Next", "Prev", "Search", "Again", "Page", "Menu"]
        names = found.get("buttons", [])
        self.assertEqual(len(names), len(labels), names)
        self.assertTrue(all(name.startswith(label) for name, label in zip(names, labels)), names)


# Run with the system's Python, which has pyatspi: the reader's pane and buttons as JSON.
PROBE = r'''
import json, pyatspi
out = {"buttons": []}
def walk(node, depth):
    if node is None or depth > 8:
        return
    role = node.getRoleName()
    if role == "text" and "pane" not in out:
        out["pane"] = node.name
        text = node.queryText()
        out["text"] = text.getText(0, min(200, text.characterCount))
    if role == "push button":
        out["buttons"].append([node.name, node.getState().contains(pyatspi.STATE_FOCUSABLE)])
    for child in node:
        walk(child, depth + 1)
for app in pyatspi.Registry.getDesktop(0):
    if app is not None and app.name == "vellumtide":
        walk(app, 0)
print(json.dumps(out))
'''


# The pane's geometry as a magnifier asks for it, the notices and the buttons' names, as JSON.
GEOMETRY_PROBE = r'''
import json, pyatspi
out = {"buttons": [], "notices": []}
def walk(node, depth):
    if node is None or depth > 8:
        return
    role = node.getRoleName()
    if role == "text" and "pane" not in out:
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        out["pane"] = [box.x, box.y, box.width, box.height]
        text = node.queryText()
        offset = text.getOffsetAtPoint(box.x + 30, box.y + 30, pyatspi.DESKTOP_COORDS)
        first = text.getCharacterExtents(offset, pyatspi.DESKTOP_COORDS)
        out["offset"], out["first"] = offset, list(first)
        out["back"] = text.getOffsetAtPoint(first[0] + first[2] // 2, first[1] + first[3] // 2, pyatspi.DESKTOP_COORDS)
    if role == "push button":
        out["buttons"].append(node.name)
    if role in ("alert", "notification"):
        out["notices"].append([role, node.name])
    for child in node:
        walk(child, depth + 1)
for app in pyatspi.Registry.getDesktop(0):
    if app is not None and app.name == "vellumtide":
        walk(app, 0)
print(json.dumps(out))
'''


def start_services(folder):
    """openbox, a private sound server and an accessibility bus; each one that cannot start is left out."""
    env = dict(os.environ, DISPLAY=base.DISPLAY, XDG_RUNTIME_DIR=folder)
    processes = [subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)]
    if shutil.which("pulseaudio"):
        subprocess.run(["pulseaudio", "--daemonize=yes", "-n", "--exit-idle-time=-1", "--disallow-exit",
                        "--load=module-native-protocol-unix", "--load=module-null-sink sink_name=e2e rate=22050 channels=1"],
                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = os.path.join(folder, "pulse", "native")
        if os.path.exists(socket):
            SERVICES["pulse"] = "unix:" + socket
    try:
        dbus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                              env=env, capture_output=True, text=True, timeout=10).stdout.split()
        env["DBUS_SESSION_BUS_ADDRESS"] = dbus[0]
        SERVICES["dbus"], SERVICES["dbus_pid"] = dbus[0], int(dbus[1])
        processes.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=env,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    except (OSError, IndexError, subprocess.SubprocessError):
        SERVICES.pop("dbus", None)
    time.sleep(1)
    return processes


def stop_services(processes, folder):
    for process in processes:
        process.terminate()
        process.wait()
    pid_file = os.path.join(folder, "pulse", "pid")
    for pid in ([int(open(pid_file).read())] if os.path.exists(pid_file) else []) + [SERVICES.get("dbus_pid")]:
        if pid:
            try:
                os.kill(pid, 15)
            except OSError:
                pass


def main():
    base.EXECUTABLE = os.path.abspath(sys.argv[1])
    base.DISPLAY, xvfb = base.start_xvfb()
    folder = tempfile.mkdtemp(prefix="vellumtide-services-")
    processes = start_services(folder)
    try:
        program = unittest.main(argv=[sys.argv[0]] + sys.argv[2:], exit=False, verbosity=2)
        return 0 if program.result.wasSuccessful() else 1
    finally:
        stop_services(processes, folder)
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
