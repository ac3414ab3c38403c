#!/usr/bin/env bash
# Builds the web page into build-web/ with Debian's emscripten, packing "ant"
# and "music.mp3" from the native build's run directory (default build/run).
# usage: web/build.sh [RUN_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
run_dir=$(realpath "${1:-build/run}")
# Debian's emcc runs its JavaScript tools with whatever node is first on
# PATH; Debian's own modules (acorn) live in /usr/share/nodejs.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
nice -n 5 emcmake cmake -S web -B build-web -G Ninja -DKVISTRA_RUN_DIR="$run_dir" >/dev/null
nice -n 5 cmake --build build-web -j2
