#!/usr/bin/env python3
"""End-to-end tests of the built reader as a user meets it.

Each test copies the executable into a temporary program folder with a prepared settings file,
starts it on a private Xvfb display, presses keys and clicks with xdotool, ends it (Esc, the
window manager's close request, or SIGTERM) and checks the settings file that the program wrote.

Usage: e2e_test.py PATH_TO_VELLUMTIDE [unittest arguments]
"""
import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

EXECUTABLE = None
DISPLAY = None
XVFB = None

WRITE_ORDER = [
    "Left", "Top", "Width", "Height", "SearchTerm", "PassWord", "FontName", "EditFileName",
    "Minimized", "Maximized", "DisableShortCuts", "REMargin", "AR", "CaseType", "BarFontSize",
    "Book", "BookMark0", "BookMark1", "BookMark2", "BookMark3", "BookMark4", "BookMark5",
    "BookMark6", "MaleVoice", "WideMenu", "FormatParagraph", "WideSpacing", "IconSize", "TBText",
    "UserBarDelay", "True_TextColor", "True_BGColor", "FontSize", "FontAttr", "Zoomed",
    "ReversePrint", "PrintWrap", "PrintFontAdjust", "sBeepOn", "TextColor", "BGColor",
    "SingleLineScroll", "vRate", "SlowRate", "FastRate"]

QUIET = {"UserBarDelay": "0", "sBeepOn": "0", "DisableShortCuts": "0"}


def start_xvfb():
    """Starts Xvfb on the first free display from :90 and returns (display, process)."""
    for number in range(90, 140):
        if os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        # -noreset: the server would otherwise reset whenever its last client leaves, and a
        # program starting during that reset cannot connect.
        process = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1920x1080x24", "-nolisten", "tcp",
                                    "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if process.poll() is not None:
                break
            if os.path.exists(f"/tmp/.X11-unix/X{number}") and can_connect(f":{number}"):
                return f":{number}", process
            time.sleep(0.05)
        process.kill()
    raise RuntimeError("no Xvfb display could be started")


def libx11():
    """Xlib, with the prototypes of the calls these tests make."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def can_connect(display):
    """True once the X server takes connections (its socket appears before it does)."""
    x11 = libx11()
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        return False
    x11.XCloseDisplay(connection)
    return True


def send_wm_delete(window_id):
    """Sends WM_DELETE_WINDOW to a window, as a window manager's close button does."""
    x11 = libx11()

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_char * 96)]

    display = x11.XOpenDisplay(DISPLAY.encode())
    event = ClientMessage()
    event.type = 33  # ClientMessage
    event.window = window_id
    event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.format = 32
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window_id, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


class Reader:
    """One run of the program in its own temporary folder."""

    def __init__(self, settings=None, trash=None, settings_text=None):
        self.folder = tempfile.mkdtemp(prefix="vellumtide-e2e-")
        self.program = os.path.join(self.folder, "vellumtide")
        shutil.copy2(EXECUTABLE, self.program)
        self.ini = os.path.join(self.folder, "vellumtide.ini")
        if settings_text is not None:
            with open(self.ini, "wb") as f:
                f.write(settings_text)
        elif settings is not None:
            with open(self.ini, "wb") as f:
                f.write(("[All]\r\n" + "".join(f"{k}={v}\r\n" for k, v in settings.items())).encode())
        if trash is not None:
            with open(os.path.join(self.folder, "trash.txt"), "wb") as f:
                f.write(trash)
        self.env = dict(os.environ, DISPLAY=DISPLAY, HOME=self.folder, XDG_CONFIG_HOME=os.path.join(self.folder, "cfg"),
                        XDG_RUNTIME_DIR=self.folder)
        self.env.pop("QT_QPA_PLATFORM", None)
        self.process = None
        self.window = None
        self.args = []  # the program's arguments (a book file)

    def start(self, timeout=30):
        self.process = subprocess.Popen([self.program, *self.args], cwd=self.folder, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.time() + timeout
        while time.time() < deadline:
            out = self.xdotool("search", "--onlyvisible", "--name", "^Vellumtide   1.8$", check=False)
            if out:
                self.window = out.split()[-1]
                self.xdotool("windowfocus", "--sync", self.window, check=False)
                self.settle()
                return self
            if self.process.poll() is not None:
                raise AssertionError("the reader ended at start: " + self.process.stderr.read().decode(errors="replace"))
            time.sleep(0.1)
        raise AssertionError("the reader's window did not appear")

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        if check and result.returncode != 0:
            raise AssertionError(f"xdotool {args}: {result.stderr}")
        return result.stdout.strip()

    def settle(self, seconds=0.4):
        time.sleep(seconds)

    def keys(self, *names, pause=0.4):
        for name in names:
            self.xdotool("key", "--clearmodifiers", name)
            self.settle(pause)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", "--sync", str(x), str(y))
        self.xdotool("click", str(button))
        self.settle()

    def screenshot(self, path):
        subprocess.run(["import", "-display", DISPLAY, "-window", "root", path], check=True)

    def wait_end(self, timeout=20):
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise AssertionError("the reader did not end")
        return self

    def end_with_esc(self):
        self.keys("Escape", pause=0.1)
        return self.wait_end()

    def saved_lines(self):
        with open(self.ini, "rb") as f:
            text = f.read().decode()
        self.assert_crlf(text)
        return text.split("\r\n")[:-1]

    def saved(self):
        values = {}
        for line in self.saved_lines()[1:]:
            key, _, value = line.partition("=")
            values[key] = value.strip()
        return values

    @staticmethod
    def assert_crlf(text):
        if "\n" in text.replace("\r\n", ""):
            raise AssertionError("a line of the settings file does not end with CR LF")

    def close(self):
        if self.process:
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait()
            self.process.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def alive(self):
        return self.process.poll() is None

    def pixel(self, image, x, y):
        """The (r, g, b) of one pixel of a screenshot."""
        out = subprocess.run(["convert", image, "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                              f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                             capture_output=True, text=True, check=True).stdout
        return tuple(int(v) for v in out.split(","))


class EndToEnd(unittest.TestCase):
    def run_reader(self, **kwargs):
        reader = Reader(**kwargs)
        self.addCleanup(reader.close)
        return reader.start()

    def test_first_start_is_maximized_and_saves_45_keys_in_order(self):
        reader = self.run_reader()
        reader.end_with_esc()
        lines = reader.saved_lines()
        self.assertEqual(lines[0], "[All]")
        self.assertEqual([line.split("=")[0] for line in lines[1:]], WRITE_ORDER)
        self.assertEqual(reader.saved()["Maximized"], "1")

    def test_letter_shortcuts_change_what_they_should(self):
        reader = self.run_reader(settings=QUIET)
        reader.keys("l", "l", "s")       # 64 -> 68 -> 72 -> 68
        reader.keys("c")                 # yellow on blue -> black on yellow
        reader.keys("m", "p", "w", "r")
        reader.keys("n")                 # next button set: shown, not saved
        saved = reader.end_with_esc().saved()
        self.assertEqual(saved["FontSize"], "68")
        self.assertEqual((saved["TextColor"], saved["BGColor"]), ("0", "65535"))
        self.assertEqual(saved["WideMenu"], "1")
        self.assertEqual(saved["FormatParagraph"], "0")
        self.assertEqual(saved["WideSpacing"], "1")
        self.assertEqual(saved["SingleLineScroll"], "1")

    def test_small_font_and_shortcut_switch(self):
        reader = self.run_reader(settings=QUIET)
        reader.keys("k")
        reader.keys("e")
        reader.keys("l")  # shortcuts stay on until the next start
        saved = reader.end_with_esc().saved()
        self.assertEqual(saved["FontSize"], "16")
        self.assertEqual(saved["DisableShortCuts"], "1")
        reader2 = self.run_reader(settings=dict(QUIET, DisableShortCuts="1"))
        reader2.keys("l")
        self.assertEqual(reader2.end_with_esc().saved()["FontSize"], "64")

    def test_a_stored_position_reopens_at_the_same_top_line(self):
        reader = self.run_reader(settings=dict(QUIET, Book="0"))
        reader.keys("Next", "Next", "Next")  # page down in the pane
        first = reader.end_with_esc().saved()["BookMark0"]
        self.assertNotEqual(first, "0")
        again = self.run_reader(settings=dict(QUIET, Book="0", BookMark0=first))
        self.assertEqual(again.end_with_esc().saved()["BookMark0"], first)

    def test_trash_txt_becomes_book_six_with_its_first_line_as_title(self):
        reader = self.run_reader(settings=dict(QUIET, Book="6"), trash=b"My Own Book\r\nby Me\r\n\r\nSome text.\r\n")
        saved = reader.end_with_esc().saved()
        self.assertEqual(saved["Book"], "6")
        self.assertEqual(saved["EditFileName"], "My Own Book")

    def test_books_visits_every_book_and_the_shelf_and_stores_each_position(self):
        # "Books" is the second button of the first button set; its place follows from the
        # icon size and the label font, the same on every machine with the project's fonts.
        reader = self.run_reader(settings=dict(QUIET, Book="0"), trash=b"Own Book\r\n\r\nText.\r\n")
        titles = []
        for _ in range(8):  # the seventh press shows the shelf, the eighth goes on to the first book
            reader.keys("Next", pause=0.2)
            reader.click(241, 99)
            reader.settle(1.0)
        saved = reader.end_with_esc().saved()
        self.assertEqual(saved["Book"], "0")
        for book in range(6):  # the user's one-paragraph book has nowhere to scroll
            self.assertNotEqual(saved[f"BookMark{book}"], "0", f"book {book}")

    def test_default_window_shows_the_bar_above_yellow_on_blue(self):
        reader = self.run_reader(settings={"UserBarDelay": "0", "sBeepOn": "0"})
        shot = os.path.join(reader.folder, "shot.png")
        reader.screenshot(shot)
        self.assertEqual(reader.pixel(shot, 900, 600), (0, 0, 255))      # pane background
        self.assertNotEqual(reader.pixel(shot, 1700, 60), (0, 0, 255))   # the bar, not the pane
        out = subprocess.run(["convert", shot, "-crop", "1800x700+20+220", "-fill", "black", "+opaque", "#FFFF00",
                              "-format", "%[fx:mean]", "info:"], capture_output=True, text=True, check=True).stdout
        self.assertGreater(float(out), 0.02)  # yellow text covers a good part of the pane
        reader.end_with_esc()

    def test_hostile_settings_files_neither_crash_nor_hang(self):
        junk = bytes((i * 7919) % 251 for i in range(10 * 1024 * 1024))
        many = b"[All]\r\n" + b"".join(b"Key%d=%d\r\n" % (i, i) for i in range(100000)) + b"FontSize=40\r\n"
        nul = b"[All]\r\nFontSize=40\x00junk\r\nUserBarDelay=0\r\nsBeepOn=0\r\n"
        for name, text in (("junk", junk), ("many keys", many), ("NUL bytes", nul)):
            reader = self.run_reader(settings_text=text)
            reader.keys("v")
            self.assertTrue(reader.alive(), name)
            saved = reader.end_with_esc().saved()
            if name != "junk":
                self.assertEqual(saved["FontSize"], "40", name)

    def test_a_settings_folder_in_place_of_the_file_is_left_alone(self):
        reader = Reader()
        self.addCleanup(reader.close)
        os.mkdir(reader.ini)
        reader.start()
        reader.keys("v")
        reader.end_with_esc()
        self.assertTrue(os.path.isdir(reader.ini))

    def test_hostile_own_books_neither_crash_nor_hang(self):
        binary = bytes(range(256)) * 4096
        for name, trash in (("binary", binary), ("folder", None)):
            reader = Reader(settings=dict(QUIET, Book="6"), trash=trash)
            self.addCleanup(reader.close)
            if trash is None:
                os.mkdir(os.path.join(reader.folder, "trash.txt"))
            reader.start()
            reader.keys("t")
            self.assertTrue(reader.alive(), name)
            saved = reader.end_with_esc().saved()
            self.assertEqual(saved["Book"], "0", name)  # refused: the first book instead

    def test_window_manager_close_saves_like_exit(self):
        reader = self.run_reader(settings=QUIET)
        reader.keys("l")
        send_wm_delete(int(reader.window))
        self.assertEqual(reader.wait_end().saved()["FontSize"], "68")

    def test_sigterm_saves_like_exit(self):
        reader = self.run_reader(settings=QUIET)
        reader.keys("l")
        reader.process.send_signal(signal.SIGTERM)
        self.assertEqual(reader.wait_end().saved()["FontSize"], "68")


def run_on_private_display(argv):
    """Runs the test cases of the script that was started, with unittest's arguments argv, on an X
    display of their own; returns the exit status."""
    global DISPLAY, XVFB
    DISPLAY, XVFB = start_xvfb()
    try:
        program = unittest.main(argv=argv, exit=False, verbosity=2)
        result = program.result
        failed = len(result.failures) + len(result.errors)
        print(f"{result.testsRun - failed} passed, {failed} failed")
        return 0 if result.wasSuccessful() else 1
    finally:
        XVFB.terminate()
        XVFB.wait()


def main():
    global EXECUTABLE
    EXECUTABLE = os.path.abspath(sys.argv[1])
    return run_on_private_display([sys.argv[0]] + sys.argv[2:])


if __name__ == "__main__":
    sys.exit(main())
