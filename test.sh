#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
# Extra arguments go to ctest (for example: ./test.sh -L unit).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure -j2 "$@"
