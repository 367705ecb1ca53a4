#!/usr/bin/env python3
"""A smoke test of vellumtide.exe under Wine, as a user meets it on a private Xvfb display.

One run: the book shows in yellow on blue at 64 pt under the bar; Next and
Books change what the pane shows; a right-click on Exit shows the shortcut list and a second one
takes it away; Play without a voice (Wine has none) keeps the reader's place; Shift+Tab from the
pane frames Menu, whose Enter and Space each show the next button set; Esc ends the
program, which writes all 45 settings in their order with the new book and bookmark.

Usage: wine_smoke_test.py PREFIX PATH_TO_VELLUMTIDE_EXE
"""
import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import e2e_test  # noqa: E402
import keyboard_screen_test  # noqa: E402  (the focus frame found in a screenshot)
from e2e_test import QUIET, WRITE_ORDER, Reader  # noqa: E402
from wine_run import wine_environment  # noqa: E402

PREFIX = None

# Where the first buttons of the reading set sit on a 1920 x 1080 screen, as the bar's shared fit
# places them (the icons are 128 px; the centres are those of the icons).
BAR_Y = 66
EXIT_X, BOOKS_X, PLAY_X, NEXT_X = 77, 230, 384, 688
PANE_CROP = "1800x700+20+220"
BAR_CROP = "1800x180+0+0"
# Each step waits for what it checks to show (the window with its title, the text drawn, the pane
# or the bar changed, the focus frame), as long as the whole run may take: on a loaded machine
# Wine's rich-edit control lays a book out many times slower than alone, so this bounds a hang, not
# the speed.
RUN_LIMIT = 1200


class WineReader(Reader):
    """A run of vellumtide.exe under Wine in its own program folder."""

    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        exe = self.program + ".exe"
        os.rename(self.program, exe)
        self.program = exe
        self.env.update(wine_environment(PREFIX, e2e_test.DISPLAY))

    def start(self, timeout=RUN_LIMIT):
        real = self.program
        self.program = "wine"
        self.process = None
        try:
            self.process = subprocess.Popen(["wine", real], cwd=self.folder, env=self.env,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            return self.wait_for_window(timeout)
        finally:
            self.program = real

    def end_with_esc(self):
        self.keys("Escape", pause=0.1)
        return self.wait_end(timeout=RUN_LIMIT)

    def wait_for_window(self, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            out = self.xdotool("search", "--onlyvisible", "--name", "^Vellumtide   1.8$", check=False)
            if out:
                self.window = out.split()[-1]
                self.wait_until(self.text_drawn, deadline, "the book's text was not drawn")
                return self
            if self.process.poll() is not None:
                raise AssertionError("the reader ended at start")
            time.sleep(0.2)
        raise AssertionError("the reader's window did not appear")

    @staticmethod
    def wait_until(condition, deadline, what):
        """Returns what `condition` returns once it is true; fails with `what` at the deadline."""
        while time.time() < deadline:
            found = condition()
            if found:
                return found
            time.sleep(0.3)
        raise AssertionError(what)

    def text_drawn(self):
        """True once yellow text covers a good part of the pane."""
        shot = os.path.join(self.folder, "drawn.png")
        self.screenshot(shot)
        out = subprocess.run(["convert", shot, "-crop", PANE_CROP, "-fill", "black", "+opaque", "#FFFF00",
                              "-format", "%[fx:mean]", "info:"], capture_output=True, text=True, check=True).stdout
        return float(out) > 0.02

    def pane_signature(self, crop=PANE_CROP):
        """A picture of the pane (or another part of the screen), cropped from a screenshot."""
        self.shots = getattr(self, "shots", 0) + 1
        shot = os.path.join(self.folder, f"pane{self.shots}.png")
        self.screenshot(shot)
        subprocess.run(["convert", shot, "-crop", crop, "+repage", shot], check=True)
        return shot

    @staticmethod
    def differ(a, b):
        """True when two pictures of the pane differ by more than the blinking caret (20 x 128 px)."""
        result = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True, text=True)
        return float(result.stderr.split()[0]) > 10000

    def pane_after_change(self, before, deadline, crop=PANE_CROP):
        """A picture of the pane (or another part of the screen) once it differs from `before`
        (Wine's rich-edit control lays out a long book in seconds), or `before` when nothing
        changed by the deadline."""
        while time.time() < deadline:
            if self.differ(self.pane_signature(crop), before):
                return self.pane_settled(deadline, crop)
            time.sleep(0.5)
        return before

    def pane_settled(self, deadline, crop=PANE_CROP):
        """A picture of the pane once two pictures a second apart show the same."""
        last = self.pane_signature(crop)
        while time.time() < deadline:
            self.settle(1.0)
            now = self.pane_signature(crop)
            if not self.differ(now, last):
                return now
            last = now
        return last

    def dominant_colour(self, shot, crop):
        """The commonest colour of a part of a screenshot, as #RRGGBB."""
        out = subprocess.run(["convert", shot, "-crop", crop, "-format", "%c", "histogram:info:-"],
                             capture_output=True, text=True, check=True).stdout
        counts = [(int(line.split(":")[0]), line.split("#")[1][:6]) for line in out.splitlines() if "#" in line]
        return "#" + max(counts)[1]

    def yellow_rows(self, shot, top, bottom):
        """How many pixel rows between top and bottom hold yellow text (right of the caret)."""
        out = subprocess.run(["convert", shot, "-crop", f"900x{bottom - top}+40+{top}", "-fill", "black", "+opaque",
                              "#FFFF00", "-fill", "white", "-opaque", "#FFFF00", "-scale", f"1x{bottom - top}!",
                              "-depth", "8", "txt:-"], capture_output=True, text=True, check=True).stdout
        return sum(1 for line in out.splitlines()[1:] if "(0,0,0)" not in line and "#000000" not in line)


class WineSmoke(unittest.TestCase):
    def test_a_reading_session(self):
        # The first book shown is "TriPlanetary"; Books goes on to the short "Tea Cookies" (Wine's
        # rich-edit control takes many seconds over a long book at 64 pt).
        reader = WineReader(settings=dict(QUIET, Book="2"))
        self.addCleanup(reader.close)
        deadline = time.time() + RUN_LIMIT
        reader.start()

        shot = os.path.join(reader.folder, "start.png")
        reader.screenshot(shot)
        self.assertEqual(reader.dominant_colour(shot, PANE_CROP), "#0000FF")  # the pane's blue
        self.assertNotEqual(reader.pixel(shot, 1700, 60), (0, 0, 255))  # the bar above it
        out = subprocess.run(["convert", shot, "-crop", PANE_CROP, "-fill", "black", "+opaque", "#FFFF00",
                              "-format", "%[fx:mean]", "info:"], capture_output=True, text=True, check=True).stdout
        self.assertGreater(float(out), 0.02)  # yellow text covers a good part of the pane
        # The first line, "TriPlanetary", stands from the top of its "l" to the bottom of its "p"
        # and "y": about 0.94 of the 85 px em of 64 pt at 96 dpi (60 pt or 68 pt fall outside).
        rows = reader.yellow_rows(shot, 185, 300)
        self.assertTrue(75 <= rows <= 85, f"{rows} rows")

        first = reader.pane_signature()
        reader.click(NEXT_X, BAR_Y)
        page = reader.pane_after_change(first, deadline)
        self.assertTrue(reader.differ(page, first), "Next moves on")
        reader.click(BOOKS_X, BAR_Y)
        book = reader.pane_after_change(page, deadline)
        self.assertTrue(reader.differ(book, page), "Books shows the next book")

        reader.click(EXIT_X, BAR_Y, button=3)
        shortcuts = reader.pane_after_change(book, deadline)
        self.assertTrue(reader.differ(shortcuts, book), "a right-click on Exit shows the shortcut list")
        reader.click(EXIT_X, BAR_Y, button=3)
        again = reader.pane_after_change(shortcuts, deadline)
        self.assertTrue(reader.differ(again, shortcuts), "a second one shows the book again")

        reader.click(PLAY_X, BAR_Y)
        reader.settle(2.0)  # what is checked is that nothing moves: a while to look, not an event
        self.assertTrue(reader.alive())
        after = reader.pane_signature()
        self.assertFalse(reader.differ(after, again), "Play without a voice keeps the place")

        # The keyboard: Shift+Tab goes from the pane to the last button (Menu), framed in black at
        # least 6 px wide; Enter and then Space press it, and the rebuilt bar keeps the frame on Menu.
        bottom = keyboard_screen_test.Shot(reader).bar_bottom(x=1800)
        reader.keys("shift+Tab", pause=0)
        framed = reader.wait_until(lambda: self.frame_sides(reader, bottom), deadline, "Shift+Tab framed no button")
        self.assertTrue(all(end - start >= 6 for start, end in framed), framed)
        sets = [reader.pane_signature(BAR_CROP)]
        for key in ("Return", "space"):
            reader.keys(key, pause=0)
            sets.append(reader.pane_after_change(sets[-1], deadline, BAR_CROP))
            self.assertTrue(reader.differ(sets[-1], sets[-2]), f"{key} on Menu shows the next button set")
            self.assertEqual(len(keyboard_screen_test.Shot(reader).focus_frame_sides(bottom)), 2)

        saved = reader.end_with_esc().saved()
        self.assertEqual([line.split("=")[0] for line in reader.saved_lines()[1:]], WRITE_ORDER)
        self.assertEqual(saved["Book"], "3")
        self.assertNotEqual(saved["BookMark2"], "0", "the place reached by Next")

    @staticmethod
    def frame_sides(reader, bottom):
        """The two sides of the focus frame on the bar, or None while there is no frame."""
        sides = keyboard_screen_test.Shot(reader).focus_frame_sides(bottom)
        return sides if len(sides) == 2 else None


def main():
    global PREFIX
    PREFIX = sys.argv[1]
    e2e_test.EXECUTABLE = os.path.abspath(sys.argv[2])
    return e2e_test.run_on_private_display([sys.argv[0]] + sys.argv[3:])


if __name__ == "__main__":
    sys.exit(main())
