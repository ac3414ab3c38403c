#!/usr/bin/env bash
# sync_bench.sh: the show as heard against the show as seen, live: the demo
# under Xvfb and the page in headless Chromium, each played once through the
# whole show into a sound server of the benchmark's own and recorded (about
# seven minutes). For each: where the music's start is heard against the demo
# clock, and at every scene cut when the cut is shown against when the
# music's section change is heard, split into the show's own lateness (each
# scene's time starts after its set-up) and the platform's part, and that
# again into the time the scene's first frame takes to draw and the rest.
# usage: bench/sync_bench.sh [BUILD_DIR] [WEB_BUILD_DIR]   (default: build, build-web)
set -euo pipefail
cd "$(dirname "$0")/.."
exec node bench/sync_bench.mjs "${1:-build}/run" "${2:-build-web}"
