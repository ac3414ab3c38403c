#!/usr/bin/env bash
# Installs what is missing, configures, builds, and plays the show.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
echo "kvistra: the engine and its tools are built in build/run;"
echo "kvistra: the show itself (the demo program, its baked assets) is not there yet."
