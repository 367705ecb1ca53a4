#!/usr/bin/env bash
# Runs each libFuzzer target for a given time and reports, per target, the executions, the
# coverage reached (libFuzzer's edge count "cov" and feature count "ft") and the findings (inputs
# that crashed, leaked, hung or broke an invariant; a target stops at its first, which is kept for
# a look). Starts from the committed seeds; the corpus it grows stays in the work folder, not in
# the repository.
#
# A target whose short and long input lengths differ (tests/fuzz/targets.sh) alternates them in
# rounds: short inputs for throughput (thousands a second), then inputs up to the size limits (a
# few a second), each round on the corpus the previous one grew.
#
# An hour per target, the run to do before a release or after a change to a reader of files
# (about seven hours with all seven targets; on a shared machine give it `nice` and no other load):
#     scripts/fuzz-long.sh 3600
# One target, with the corpus kept for the next run:
#     FUZZ_WORK=/var/tmp/vellumtide-fuzz scripts/fuzz-long.sh 3600 book_text
#
# Usage: scripts/fuzz-long.sh SECONDS_PER_TARGET [TARGET ...]   (targets: see tests/fuzz/targets.sh)
# Environment: FUZZ_BUILD (default build-fuzz), FUZZ_WORK (default a new folder under /tmp),
# FUZZ_ROUND (seconds of one short-then-long round, default 600), FUZZ_TIMEOUT (seconds one input may take
# before it counts as a hang, default 10; a loaded machine needs more, since the clock is the wall's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/fuzz/targets.sh"
seconds=${1:?usage: fuzz-long.sh SECONDS_PER_TARGET [TARGET ...]}
shift
targets=${*:-$FUZZ_TARGETS}
build=${FUZZ_BUILD:-$root/build-fuzz}
work=${FUZZ_WORK:-$(mktemp -d /tmp/vellumtide-fuzz-long-XXXXXX)}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null
nice cmake --build "$build" --target $(for t in $targets; do echo "fuzz_$t"; done) >/dev/null

printf '%-14s %8s %14s %10s %10s %9s %6s\n' target seconds executions cov ft findings slow
total_findings=0
for target in $targets; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  cp -n "$root/tests/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
  # libFuzzer lengthens its inputs slowly: for the book text and the rich text, whose size limits
  # matter, a seed a quarter of the largest length, made of a committed seed repeated, puts them
  # within reach from the start (mutations may grow it to the full length) while the small seeds
  # keep the executions fast.
  max_len=$(fuzz_max_len "$target")
  if [[ $target == book_text || $target == rich_text ]] && [ ! -e "$corpus/large-seed" ]; then
    first_seed=$(ls "$root/tests/fuzz/corpus/$target/"* | head -n 1)
    head -c $((max_len / 4)) < <(while cat "$first_seed"; do :; done) >"$corpus/large-seed" || true
  fi
  log="$work/$target.log"
  small=$(fuzz_small_len "$target")
  round=${FUZZ_ROUND:-600}
  left=$seconds
  : >"$log"
  while [ "$left" -gt 0 ]; do
    for len in $small $max_len; do
      [ "$left" -gt 0 ] || break
      slice=$(( small == max_len ? left : (round / 2 < left ? round / 2 : left) ))
      QT_QPA_PLATFORM=offscreen nice "$build/tests/fuzz/fuzz_$target" -max_total_time="$slice" -timeout="${FUZZ_TIMEOUT:-10}" \
        -max_len="$len" -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$work/$target-" "$corpus" >>"$log" 2>&1 || left=0
      left=$((left > slice ? left - slice : 0))
      [ "$small" != "$max_len" ] || break
    done
  done
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | awk '{ total += $1 } END { if (NR) print total }')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*')
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*')
  # A slow unit (an input past ten seconds of the wall's clock, which a busy machine makes) is kept
  # for a look but is no finding: findings are crashes, leaks, timeouts and running out of memory.
  findings=$(find "$work" -maxdepth 1 -name "$target-*" ! -name "$target-slow-unit-*" | wc -l)
  slow=$(find "$work" -maxdepth 1 -name "$target-slow-unit-*" | wc -l)
  total_findings=$((total_findings + findings))
  printf '%-14s %8s %14s %10s %10s %9s %6s\n' "fuzz_$target" "$seconds" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$findings" "$slow"
done
echo "work folder (corpus, logs, findings): $work"
[ "$total_findings" -eq 0 ]
