#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test, through
# the presets of CMakePresets.json: the OpenGL ES tree (build-gles/), the
# native tree (build/), then the web page (build-web/) from the assets the
# native build baked; the tests of the first two trees.
# Extra arguments go to ctest (for example: ./test.sh -L unit).
#
# ./test.sh --sanitize builds a second tree, build-sanitize/, with
# AddressSanitizer and UndefinedBehaviorSanitizer (and the OpenGL ES tree's
# capture and layer tests, build-sanitize-gles/, likewise) and runs both
# trees' unit tests (with leak checking) and gl tests; then a third,
# build-tsan/, runs the audio layer's and the demo clock's tests under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

if [ "${1:-}" = "--sanitize" ]; then
  shift
  scripts/install-deps.sh test
  # The OpenGL ES layer too, through its own tests and the fidelity test's capture.
  for tree in sanitize-gles sanitize; do
    cmake --preset $tree
    cmake --build --preset $tree
  done
  for tree in sanitize-gles sanitize; do
    ctest --preset $tree-unit "$@"
    ctest --preset $tree-gl "$@"
  done
  cmake --preset tsan
  cmake --build --preset tsan
  ctest --preset tsan
  exit 0
fi

# The package test (e2e.DebianPackage) builds the Debian packages.
scripts/install-deps.sh test package
scripts/check-format.sh
for tree in gles native web; do
  cmake --preset $tree
  cmake --build --preset $tree
done
ctest --preset gles "$@"
ctest --preset native "$@"
