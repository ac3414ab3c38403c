#!/usr/bin/env bash
# web_bench.sh: the web page's size, its start and its frame rate per scene,
# played once in real time in headless Chromium (about three minutes).
# usage: bench/web_bench.sh [WEB_BUILD_DIR]   (default: build-web, from web/build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
exec node bench/web_bench.mjs "${1:-build-web}"
