#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and runs each for a
# bounded time on a copy of its committed seed corpus (the seeds include every input a fuzzer
# once found a fault with). Any crash, leak, hang or broken invariant fails the run.
# Usage: run_fuzzers.sh SOURCE_DIR BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail
source "$(dirname "$0")/targets.sh"
source=$1
build=$2/fuzz-build
seconds=$3
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target $(for t in $FUZZ_TARGETS; do echo "fuzz_$t"; done)
work=$(mktemp -d /tmp/vellumtide-fuzz-XXXXXX)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
# One run of a target at one input length; false on a finding.
run_target() {
  local target=$1 seconds=$2 max_len=$3
  QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
    -max_len="$max_len" -rss_limit_mb=4096 -artifact_prefix="$work/$target-" "$work/$target" \
    >>"$work/$target.log" 2>&1
}
for target in $FUZZ_TARGETS; do
  mkdir -p "$work/$target"
  cp "$source/tests/fuzz/corpus/$target/"* "$work/$target/"
  small=$(fuzz_small_len "$target")
  large=$(fuzz_max_len "$target")
  # Half the time on short inputs (many of them), half on inputs up to the size limits.
  if { [ "$small" = "$large" ] && run_target "$target" "$seconds" "$large"; } ||
     { [ "$small" != "$large" ] && run_target "$target" $(((seconds + 1) / 2)) "$small" &&
       run_target "$target" $(((seconds + 1) / 2)) "$large"; }; then
    echo "ok: fuzz_$target ($(grep -o 'Done [0-9]* runs' "$work/$target.log" | paste -sd+ -))"
    passed=$((passed + 1))
  else
    echo "FAILED: fuzz_$target"
    tail -n 40 "$work/$target.log"
    for artifact in "$work/$target-"*; do [ -e "$artifact" ] && { echo "input:"; od -c "$artifact" | head -n 20; }; done
    failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
