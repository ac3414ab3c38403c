#!/usr/bin/env bash
# load_bench.sh: loads hostile .3ds entries of up to 16 MB through the model
# reader and reports, per entry, the outcome, the wall time (the target is
# 1 s each on this machine) and the peak memory.
# usage: bench/load_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target kvistra-load-bench >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/run/kvistra-load-bench" "$scratch"
