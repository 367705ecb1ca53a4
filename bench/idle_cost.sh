#!/usr/bin/env bash
# The reader's cost while it waits for the user: CPU time and wakeups (context switches of all
# its threads) over 10 seconds of idling, on a private Xvfb display.
# Usage: idle_cost.sh PATH_TO_VELLUMTIDE [SECONDS]
set -euo pipefail
program=$(readlink -f "$1")
seconds=${2:-10}
folder=$(mktemp -d /tmp/vellumtide-idle-XXXXXX)
trap 'kill $pid $xvfb 2>/dev/null; rm -rf "$folder"' EXIT
for n in $(seq 140 180); do [ -e /tmp/.X11-unix/X$n ] || break; done
Xvfb :$n -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
sleep 1
cp "$program" "$folder/vellumtide"
printf '[All]\r\nUserBarDelay=0\r\nsBeepOn=0\r\n' > "$folder/vellumtide.ini"
(cd "$folder" && DISPLAY=:$n HOME=$folder XDG_RUNTIME_DIR=$folder exec ./vellumtide >/dev/null 2>&1) & pid=$!
sleep 5  # start-up and the book's layout are done
ticks() { awk '{print $14 + $15}' /proc/$pid/stat; }
switches() { cat /proc/$pid/task/*/status | awk '/ctxt_switches/ {s += $2} END {print s}'; }
t0=$(ticks); w0=$(switches)
sleep "$seconds"
t1=$(ticks); w1=$(switches)
hz=$(getconf CLK_TCK)
awk -v t=$((t1 - t0)) -v hz="$hz" -v s="$seconds" -v w=$((w1 - w0)) \
  'BEGIN { printf "idle CPU: %.2f %% of one core over %d s; wakeups: %.1f per second\n", 100 * t / hz / s, s, w / s }'
