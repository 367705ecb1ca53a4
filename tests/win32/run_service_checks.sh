#!/bin/sh
# Builds the Win32 services (files, download, sound, speech) with a small check program using the
# mingw-w64 cross compiler and runs it under Wine, with local web servers for the download checks.
# Usage: tests/win32/run_service_checks.sh [build folder]   (from the source folder)
# WINEPREFIX may name a prefix to reuse; otherwise one is made in the build folder (about 10 s).
set -eu
build=${1:-build-win32-checks}
mkdir -p "$build"
cxx=x86_64-w64-mingw32-g++-posix
$cxx -std=c++20 -O1 -Wall -Wextra -Wshadow -I. -static -o "$build/service_checks.exe" \
  tests/win32/service_checks.cpp platform/win32/files.cpp platform/win32/download.cpp \
  platform/win32/sound.cpp platform/win32/speech_engine.cpp \
  -lwinhttp -lurlmon -lbcrypt -lws2_32 -lole32 -loleaut32 -lsapi -luuid -lshell32

wine64=/usr/lib/wine/wine64
export WINEPREFIX="${WINEPREFIX:-$(cd "$build" && pwd)/wineprefix}" WINEDEBUG=-all
[ -d "$WINEPREFIX/drive_c" ] || "$wine64" wineboot -i >/dev/null 2>&1

# A plain server, and an https one whose self-signed certificate no download may accept.
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=localhost -days 1 \
  -keyout "$build/key.pem" -out "$build/cert.pem" >/dev/null 2>&1
rm -f "$build/port" "$build/tls-port"
python3 tests/win32/check_server.py "$build/port" & plain=$!
python3 tests/win32/check_server.py "$build/tls-port" "$build/cert.pem" "$build/key.pem" & tls=$!
trap 'kill $plain $tls' EXIT
while [ ! -s "$build/port" ] || [ ! -s "$build/tls-port" ]; do sleep 0.1; done
"$wine64" "$build/service_checks.exe" "http://127.0.0.1:$(cat "$build/port")" "https://localhost:$(cat "$build/tls-port")"
