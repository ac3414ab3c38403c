#!/usr/bin/env bash
# gles_bench.sh: the whole show at 60 frames per second, drawn by Mesa's
# fixed-function OpenGL (the desktop build's kvistra-capture) and by the gl11
# layer on Mesa's OpenGL ES 3 (the OpenGL ES build's), timed frame by frame
# with --frame-log (GL finished). Per scene: the median and worst frame time
# of both, and the scene-change frame (the pass that releases the scene
# before, loads this one and draws its first frame), which the median and
# worst leave out. Targets: every scene's median through the layer within
# 1.5 x the fixed-function one; no scene-change frame through the layer over
# 16.7 ms. Mesa's shader cache is off, so each run compiles what it draws as
# a first run on a clean machine does. Each path runs RUNS times (default 3)
# and every frame counts with its shortest time: on a shared machine that is
# the frame's own cost.
# usage: [RUNS=N] bench/gles_bench.sh [BUILD_DIR] [GLES_BUILD_DIR]   (default: build build-gles)
set -euo pipefail
cd "$(dirname "$0")/.."
desktop=$(cd "${1:-build}/run" && pwd)
gles=$(cd "${2:-build-gles}/run" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# One log line per frame: number, stage, milliseconds. A frame function's
# stage is even-numbered in the table below; the frame that ends a scene
# already shows the next stage, and counts for its own scene.
summarise() {
  awk 'BEGIN { split("2 4 7 10 13 16 19 22 25", frameStages, " "); for (i in frameStages) isFrame[frameStages[i]] = 1 }
    { scene = isFrame[$2] ? $2 : $2 - 1
      print scene, (scene != previous ? "change" : "frame"), $3
      previous = scene }' "$1" >"$1.scenes"
  grep ' frame ' "$1.scenes" | sort -k1,1n -k3,3n | awk '
    { times[$1, ++count[$1]] = $3 }
    END { for (s in count) print s, times[s, int((count[s] + 1) / 2)], times[s, count[s]] }' | sort -k1,1 >"$1.frames"
  grep ' change ' "$1.scenes" | awk '{ print $1, $3 }' | sort -k1,1 >"$1.changes"
}

runs=${RUNS:-3}
for path in desktop gles; do
  run=${!path}
  for ((i = 1; i <= runs; i++)); do
    MESA_SHADER_CACHE_DISABLE=true "$run/kvistra-capture" --dir "$desktop" --fps 60 --at 178 \
      --out "$scratch/$path.png" --frame-log "$scratch/$path.$i" >/dev/null 2>"$scratch/$path.err"
  done
  # The shortest time of each frame over the runs (the same frames every run).
  cat "$scratch/$path".[0-9]* | awk '!($1 in best) || $3 < best[$1] { best[$1] = $3; stage[$1] = $2 }
    END { for (f in best) print f, stage[f], best[f] }' | sort -n >"$scratch/$path.log"
  summarise "$scratch/$path.log"
done
echo "$runs runs of each path, each frame at its shortest"

echo "frame times in ms at 60 fps; fixed = Mesa's fixed function, layer = gl11 on OpenGL ES 3"
join "$scratch/desktop.log.frames" "$scratch/gles.log.frames" |
  join - "$scratch/desktop.log.changes" | join - "$scratch/gles.log.changes" | sort -n | awk '
  BEGIN {
    split("2 4 7 10 13 16 19 22 25", stage, " ")
    split("title test.3ds env.3ds add.3ds blue.3ds lo.3ds ting.3ds cyl.3ds snurr.3ds", name, " ")
    for (i in stage) names[stage[i]] = name[i]
    printf "%-10s %12s %8s %12s %8s %7s %14s %14s\n", "scene", "fixed median", "worst", "layer median", "worst",
      "ratio", "change fixed", "change layer"
    slow = 0; late = 0
  }
  { ratio = $4 / $2
    slow += ratio > 1.5; late += $7 > 16.7
    printf "%-10s %12.2f %8.2f %12.2f %8.2f %7.2f %14.2f %14.2f\n", names[$1], $2, $3, $4, $5, ratio, $6, $7 }
  END {
    printf "scenes through the layer over 1.5 x fixed function: %d; scene changes over 16.7 ms: %d\n", slow, late
    print "(the title row'\''s change frame is the first frame, with the title'\''s loading)"
  }'
