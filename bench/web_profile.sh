#!/usr/bin/env bash
# web_profile.sh: where the web page's slow frames spend their time, per
# browser engine: the show played once in real time with every animation
# frame and every WebGL call in it timed (about three minutes each); with
# --perf, perf samples the machine meanwhile.
# usage: bench/web_profile.sh [--perf] [chromium|firefox|webkit|all] [WEB_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
perf=()
if [ "${1:-}" = --perf ]; then perf=(--perf); shift; fi
engine=${1:-all}
[ "$engine" = all ] && engine=""
exec node --experimental-websocket bench/web_profile.mjs "${perf[@]}" "${2:-build-web}" $engine
