#!/usr/bin/env python3
"""How long vellumtide.exe takes under Wine to show the Bible's first screen at its bookmark.

Each run starts the program in a fresh program folder whose settings open the Bible deep inside
(BookMark1), and takes the time from the launch until yellow text covers part of the pane on the
private Xvfb display. Each run is timed twice: "cold", with Wine's server started by the launch (Wine
starting up, which Windows never does), and "warm", with the server already running, as Windows
itself is already running when a user double-clicks.

Usage: wine_first_screen.py PREFIX PATH_TO_VELLUMTIDE_EXE [RUNS]
"""
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "windows"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from e2e_test import libx11, start_xvfb  # noqa: E402
from wine_run import wine_environment  # noqa: E402

PANE = (40, 300, 1800, 400)  # x, y, width, height of a strip of the pane on a 1920 x 1080 screen
LIMIT = 120


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_uint8)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


def yellow_share(x11, display):
    """The share of the pane strip's pixels that are yellow (text drawn in the reader's scheme)."""
    x, y, width, height = PANE
    root = x11.XDefaultRootWindow(display)
    image = x11.XGetImage(display, root, x, y, width, height, 0xFFFFFFFF, 2)  # ZPixmap
    if not image:
        return 0.0
    picture = ctypes.cast(image, ctypes.POINTER(XImage)).contents
    row_bytes = picture.bytes_per_line
    data = ctypes.string_at(picture.data, row_bytes * height)
    x11.XFree(picture.data)
    x11.XFree(image)
    yellow = 0
    for row in range(0, height, 4):
        line = data[row * row_bytes:(row + 1) * row_bytes]
        for column in range(0, width * 4, 16):  # BGRX, every fourth pixel
            b, g, r = line[column], line[column + 1], line[column + 2]
            yellow += r > 200 and g > 200 and b < 80
    return yellow / ((height // 4) * (width // 4))


def time_until(process, shown):
    """Seconds from now until shown() is true, or None if the process ends or LIMIT passes."""
    start = time.monotonic()
    while time.monotonic() - start < LIMIT:
        if shown():
            return time.monotonic() - start
        if process.poll() is not None:
            return None
        time.sleep(0.02)
    return None


def main():
    prefix, program = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    display_name, xvfb = start_xvfb()
    x11 = libx11()
    x11.XGetImage.restype = ctypes.c_void_p
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                              ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    env = wine_environment(prefix, display_name)
    measured = {"cold": [], "warm": []}
    try:
        for _ in range(runs):
            for start in ("cold", "warm"):
                stop_wine(env)
                if start == "warm":
                    subprocess.run(["wineserver", "-p"], env=env, check=False)
                    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, check=False)
                seconds = first_screen(env, program, x11, display)
                if seconds is not None:
                    measured[start].append(seconds)
                print(f"run, Wine {start}: Bible's first screen "
                      + (f"{seconds:.2f} s" if seconds is not None else "not seen"), flush=True)
    finally:
        x11.XCloseDisplay(display)
        stop_wine(env)
        xvfb.terminate()
        xvfb.wait()
    for start, what in (("cold", "Wine's server started by the launch"), ("warm", "Wine's server already running")):
        times = measured[start]
        if times:
            print(f"wine: Bible's first screen at its bookmark, {what}: median {statistics.median(times):.2f} s, "
                  f"range {min(times):.2f}-{max(times):.2f} s over {len(times)} runs (target < 3)")
    return 0 if all(len(times) == runs for times in measured.values()) else 1


def stop_wine(env):
    subprocess.run(["wineserver", "-k"], env=env, check=False, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, check=False)


def first_screen(env, program, x11, display):
    """Seconds from the launch of a fresh copy until the Bible's text shows, or None."""
    folder = tempfile.mkdtemp(prefix="vellumtide-wine-bench-")
    shutil.copy2(program, os.path.join(folder, "vellumtide.exe"))
    with open(os.path.join(folder, "vellumtide.ini"), "wb") as f:
        f.write(b"[All]\r\nUserBarDelay=0\r\nsBeepOn=0\r\nBook=1\r\nBookMark1=2500000\r\n")
    process = subprocess.Popen(["wine", "vellumtide.exe"], cwd=folder, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = time_until(process, lambda: yellow_share(x11, display) > 0.02)
    process.kill()
    process.wait()
    stop_wine(env)
    shutil.rmtree(folder, ignore_errors=True)
    return seconds


if __name__ == "__main__":
    sys.exit(main())
