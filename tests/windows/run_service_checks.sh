#!/bin/sh
# Runs the checks of the Win32 speech and sound without the window under Wine.
# Usage: run_service_checks.sh WINEPREFIX service_checks.exe   (the prefix is made if new, ~10 s)
set -eu
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || { mkdir -p "$WINEPREFIX"; wineboot -i >/dev/null 2>&1; wineserver -w; }
wine "$2"
