#!/usr/bin/env bash
# Builds the Debian package kvistra_VERSION_amd64.deb into build/deb/ from
# the build tree build/ (configuring and building it first), and runs lintian
# on it. VERSION is the project's version in the top CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
cpack --config build/CPackConfig.cmake -B build/deb
deb=$(ls build/deb/kvistra_*_amd64.deb)
lintian "$deb"
echo "package.sh: the package is $deb"
