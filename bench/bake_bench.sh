#!/usr/bin/env bash
# bake_bench.sh: bakes "ant" and "music.mp3" into a scratch directory and
# reports the wall time (the target is under 30 s on 2 cores), the processor
# time, the peak memory and whether the bytes equal the build's own bake.
# usage: bench/bake_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
run=$(cd "$build/run" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

/usr/bin/time -f '%e %U %S %M' -o "$scratch/time" "$run/kvistra-bake" "$scratch" >/dev/null
read -r wall user system peak <"$scratch/time"
awk -v wall="$wall" -v user="$user" -v sys="$system" -v cores="$(nproc)" -v peak="$peak" \
  'BEGIN { printf "bake: %.1f s wall, %.1f s processor on %d cores, peak memory %d MiB\n", wall, user + sys, cores, peak / 1024 }'

for file in ant music.mp3; do
  if cmp -s "$scratch/$file" "$run/$file"; then
    echo "$file: $(stat -c %s "$scratch/$file") bytes, the same as the build's"
  else
    echo "$file: differs from the build's (is the build up to date?)"
  fi
done
