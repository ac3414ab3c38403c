#!/usr/bin/env bash
# web_bench.sh: the web page's size, its start and its frame rate per scene,
# played once in real time in each browser engine, one after another (about
# three minutes each).
# usage: bench/web_bench.sh [chromium|firefox|webkit|all] [WEB_BUILD_DIR]
#        (default: all three, build-web from the web preset)
set -euo pipefail
cd "$(dirname "$0")/.."
engine=${1:-all}
[ "$engine" = all ] && engine=""
exec node --experimental-websocket bench/web_bench.mjs "${2:-build-web}" $engine
