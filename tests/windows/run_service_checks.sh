#!/bin/sh
# Runs the checks of the Win32 services (files, download, sound, speech) under Wine, with a plain
# and a self-signed https check_server.py for the download checks.
# Usage: run_service_checks.sh WINEPREFIX service_checks.exe   (the prefix is made if new, ~10 s)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exe=$2
work=$(mktemp -d)
[ -f "$WINEPREFIX/system.reg" ] || { mkdir -p "$WINEPREFIX"; wineboot -i >/dev/null 2>&1; wineserver -w; }

openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=localhost -days 1 \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
python3 "$here/check_server.py" "$work/port" & plain=$!
python3 "$here/check_server.py" "$work/tls-port" "$work/cert.pem" "$work/key.pem" & tls=$!
trap 'kill $plain $tls; rm -rf "$work"' EXIT
while [ ! -s "$work/port" ] || [ ! -s "$work/tls-port" ]; do sleep 0.1; done
wine "$exe" "http://127.0.0.1:$(cat "$work/port")" "https://localhost:$(cat "$work/tls-port")"
