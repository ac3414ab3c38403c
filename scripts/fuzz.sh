#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the readers' fuzz targets with clang, libFuzzer
# and the address and undefined-behaviour sanitizers (leak detection on) in
# build-fuzz/ (the fuzz presets of CMakePresets.json), and runs each target
# for SECONDS (default 60) from the seed corpus in fuzz/corpus. New
# interesting inputs go to build-fuzz/corpus/,
# findings (crashes, leaks, timeouts, memory blow-ups) to build-fuzz/findings/.
# Prints the executions of each target; exits 1 if anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD  # the targets work in a scratch directory of their own: absolute paths
seconds=${1:-60}
scripts/install-deps.sh fuzz

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
# The targets the build preset builds.
targets=(library pcx model music)

found=0
for target in "${targets[@]}"; do
  mkdir -p "$top/build-fuzz/corpus/$target" "$top/build-fuzz/findings" "$top/build-fuzz/logs"
  log="$top/build-fuzz/logs/$target.log"
  set +e
  "$top/build-fuzz/fuzz/fuzz-$target" -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=512 \
    -timeout=2 -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$top/build-fuzz/findings/$target-" \
    "$top/build-fuzz/corpus/$target" "$top/fuzz/corpus/$target" >"$log" 2>&1
  status=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    echo "fuzz $target: ${runs:-?} executions in $seconds s, nothing found"
  else
    found=1
    echo "fuzz $target: ${runs:-?} executions, a finding (status $status); see $log and build-fuzz/findings/"
  fi
done
exit "$found"
