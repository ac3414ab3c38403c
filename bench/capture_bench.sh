#!/usr/bin/env bash
# capture_bench.sh: captures the whole show at 60 frames per second to an MP4
# with its music and reports the capture time against the show's length (a
# ratio below 1 is faster than real time) and the frames rendered per second.
# usage: bench/capture_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
run=$(cd "$build/run" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

start=$(date +%s.%N)
"$run/kvistra-capture" --dir "$run" --mp4 "$scratch/show.mp4" --fps 60 >"$scratch/out" 2>"$scratch/err"
end=$(date +%s.%N)

frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets \
  -of csv=p=0 "$scratch/show.mp4")
audio=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$scratch/show.mp4")
awk -v start="$start" -v end="$end" -v frames="$frames" -v audio="$audio" -v cores="$(nproc)" 'BEGIN {
  elapsed = end - start
  show = frames / 60
  printf "show: %d frames at 60 fps = %.1f s, audio stream: %s\n", frames, show, audio
  printf "capture: %.1f s on %d cores\n", elapsed, cores
  printf "ratio capture/show: %.2f (below 1 is faster than real time)\n", elapsed / show
  printf "frames rendered and encoded per second: %.1f\n", frames / elapsed
}'
