#!/usr/bin/env bash
# Runs the benchmark and the idle measurement and writes bench/RESULTS.md with the machine,
# the date and the medians beside their targets. The sections written by hand after the table
# (from the first "## " heading on: notes, fuzzing, faults) are kept.
# Usage: bench/run_bench.sh [BUILD_DIR]   (default: build)
# The start-up figures use a private Xvfb display: :140 or the next free one, or VELLUMTIDE_BENCH_DISPLAY.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=bench/RESULTS.md
table=$(mktemp)
load=$(cut -d' ' -f1-3 /proc/loadavg)  # others' work on a shared machine shows in every figure
trap 'rm -f "$table"' EXIT
"$build/bench/vellumtide_bench" 2>/dev/null | tee "$table"
idle=$(bash bench/idle_cost.sh "$build/vellumtide" 10)
notes=$(sed -n '/^## /,$p' "$out" 2>/dev/null || true)
{
  echo "# Benchmark results"
  echo
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- Machine: $(nproc) cores, $(free -g | awk '/^Mem:/ {print $2}') GiB, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
  echo "- System: $(. /etc/os-release; echo "$PRETTY_NAME"), Qt $(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null), espeak-ng $(pkg-config --modversion espeak-ng)"
  echo "- Commit: $(git rev-parse --short HEAD)"
  echo "- Load average when the run began (1, 5, 15 min): $load"
  echo
  echo "Medians of repeated runs (\`$build/bench/vellumtide_bench\`); the machine is shared, so expect noise."
  echo
  cat "$table"
  echo
  echo "Idle cost (\`bench/idle_cost.sh\`): $idle"
  if [ -n "$notes" ]; then echo; echo "$notes"; fi
} > "$out"
echo "wrote $out"
