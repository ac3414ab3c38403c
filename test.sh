#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
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
scripts/install-deps.sh

if [ "${1:-}" = "--sanitize" ]; then
  shift
  export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  flags="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer"
  # The OpenGL ES layer too, through its own tests and the fidelity test's capture.
  cmake -S . -B build-sanitize-gles -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVISTRA_GLES=ON \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags"
  cmake --build build-sanitize-gles --target kvistra-capture unit_gl11_layer gl_pixel_cases
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DKVISTRA_GLES_BUILD_DIR="$PWD/build-sanitize-gles"
  cmake --build build-sanitize
  for tree in build-sanitize-gles build-sanitize; do
    ctest --test-dir $tree --output-on-failure -j2 -L unit "$@"
    # The GL tests keep their textures for good, as the show does, and Mesa's
    # driver keeps a few blocks of its own: no leak checking there.
    ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=0 ctest --test-dir $tree --output-on-failure -j2 -L gl "$@"
  done

  flags="-fsanitize=thread -fno-omit-frame-pointer"
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags"
  cmake --build build-tsan --target unit_audio_layer unit_demo_clock
  TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/unit_audio_layer
  TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/unit_demo_clock
  exit 0
fi

# The OpenGL ES tree: the kvistra-capture the gl fidelity test compares
# with, and the layer's own tests.
cmake -S . -B build-gles -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVISTRA_GLES=ON
cmake --build build-gles --target kvistra-capture unit_gl11_layer gl_pixel_cases
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVISTRA_GLES_BUILD_DIR="$PWD/build-gles" \
  -DKVISTRA_WEB_BUILD_DIR="$PWD/build-web"
cmake --build build
# The web page, from the assets the native build baked, for its browser test.
web/build.sh build/run
ctest --test-dir build-gles --output-on-failure -j2 "$@"
ctest --test-dir build --output-on-failure -j2 "$@"
