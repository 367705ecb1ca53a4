#!/usr/bin/env python3
"""Runs a Windows program under Wine on a private Xvfb display.

The Wine prefix is the build's own (made with `wineboot -i` on first use, about 9 s), so nothing of
the user's ~/.wine is touched. Wine 8's launcher for 64-bit programs is `wine`.

Usage: wine_run.py PREFIX PROGRAM.exe [arguments]
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_test import start_xvfb  # noqa: E402


def wine_environment(prefix, display):
    """The environment of a program run in `prefix` on `display`, the prefix made if new."""
    # No offer to install Mono or Gecko, and no menu entries made on the machine that runs the tests.
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all", DISPLAY=display,
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        os.makedirs(prefix, exist_ok=True)
        subprocess.run(["wineboot", "-i"], env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env, check=True)
    return env


def main():
    prefix, program, arguments = sys.argv[1], sys.argv[2], sys.argv[3:]
    display, xvfb = start_xvfb()
    try:
        env = wine_environment(prefix, display)
        return subprocess.run(["wine", program, *arguments], env=env).returncode
    finally:
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    sys.exit(main())
