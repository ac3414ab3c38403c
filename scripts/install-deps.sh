#!/usr/bin/env bash
# Installs every Debian package that building, baking, running and testing
# kvistra needs. Packages already installed are skipped. Runs as root, or
# through sudo; otherwise it names the missing packages and fails.
# usage: scripts/install-deps.sh [--fuzz]   (--fuzz: the fuzzing tools too)
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config libgtest-dev
  # OpenGL: GLUT window, GLU, headless EGL on Mesa (llvmpipe); OpenGL ES 3
  # for the OpenGL ES build
  libgl-dev libglu1-mesa-dev freeglut3-dev libegl-dev libgl1-mesa-dri libgles-dev
  # audio: output (PulseAudio where a server runs, else SDL), compressed
  # stream, tracker modules; the baker's encoder
  libpulse-dev libsdl2-dev libmpg123-dev libopenmpt-dev libmp3lame-dev
  # display mode switch
  libxrandr-dev
  # the baker's lettering, the tools' PNG output
  libfreetype-dev fonts-dejavu-core libpng-dev
  # tests and capture: a virtual X server, key presses, video, an independent image coder
  xvfb xauth xdotool x11-utils ffmpeg imagemagick
  # the test that listens to the show: a sound server of its own, and the
  # cross-correlation that finds the music in what it recorded
  pulseaudio libfftw3-dev
  # benchmarks: wall time and peak memory; the web page's profile's sampler
  time linux-perf
  # the web page: its compiler, and the three browser engines its test and
  # benchmark run it in (Firefox and WebKit under Xvfb, WebKit through its
  # WebDriver and MiniBrowser)
  emscripten chromium firefox-esr webkit2gtk-driver
)

# Packaging: building the Debian packages the Debian way (scripts/package.sh,
# the package test), checking them (lintian, the manual pages, the desktop
# entry, the AppStream metadata), and the slow checks of
# scripts/package-check.sh: a fresh Debian 12 root, the installed-package
# test, the report on packages that are not byte-identical.
packaging=(
  dpkg-dev debhelper lintian groff desktop-file-utils appstream
  mmdebstrap autopkgtest diffoscope-minimal
)
packages+=("${packaging[@]}")

# scripts/fuzz.sh adds clang with libFuzzer and the sanitizer runtimes.
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages are installed"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  run=(sudo)
else
  echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -q
"${run[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
