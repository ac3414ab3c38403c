#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
# Extra arguments go to ctest (for example: ./test.sh -L unit).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
# The OpenGL ES tree, only the kvistra-capture the gl fidelity test compares with.
cmake -S . -B build-gles -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVISTRA_GLES=ON
cmake --build build-gles --target kvistra-capture
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVISTRA_GLES_BUILD_DIR="$PWD/build-gles"
cmake --build build
ctest --test-dir build --output-on-failure -j2 "$@"
