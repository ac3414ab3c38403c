#!/usr/bin/env bash
# Installs the Debian packages a command needs, by profile. Packages already
# installed are skipped. Runs as root, or through sudo; otherwise it names
# the missing packages and fails.
# usage: scripts/install-deps.sh [PROFILE...]
#   play     build the show, bake its assets and play it (./run.sh)
#   video    the show rendered to MP4 (kvistra-capture --mp4: ./run.sh
#            without an X display); with play
#   web      the web page, built and served (./run.sh --web); with play
#   test     the tests and the benchmarks (./test.sh); with play, video
#            and web
#   package  build and check the Debian packages (scripts/package.sh,
#            scripts/package-check.sh, the package test of ./test.sh);
#            with play
#   fuzz     the fuzz targets under libFuzzer (scripts/fuzz.sh); with play
# Without a profile: play, video, web, test and package, all but fuzz.
set -euo pipefail

# build-essential through cmake: the build; the OpenGL ones: GLUT window,
# GLU, headless EGL on Mesa (llvmpipe) for kvistra-capture; audio: output
# (PulseAudio where a server runs, else SDL), compressed stream, tracker
# modules, the baker's encoder; the display mode switch; the baker's
# lettering and the tools' PNG output; ./run.sh's check for an X display
# (xdpyinfo).
play=(
  build-essential cmake ninja-build pkg-config
  libgl-dev libglu1-mesa-dev freeglut3-dev libegl-dev libgl1-mesa-dri
  libpulse-dev libsdl2-dev libmpg123-dev libopenmpt-dev libmp3lame-dev
  libxrandr-dev
  libfreetype-dev fonts-dejavu-core libpng-dev
  x11-utils
)

# The encoder kvistra-capture --mp4 runs.
video=(ffmpeg)

# The page's compiler, and the server ./run.sh --web runs.
web=(emscripten python3)

# The tests: GoogleTest; node for the scripts that drive browsers and sound
# servers; OpenGL ES 3 for the OpenGL ES tree; a virtual X server, key
# presses, an independent image coder; the test that listens to
# the show: a sound server of its own and the cross-correlation that finds
# the music in what it recorded; the three browser engines the page's test
# and benchmark run it in (Firefox and WebKit under Xvfb, WebKit through its
# WebDriver and MiniBrowser); the layout check of the C++ sources
# (clang-format). The benchmarks: wall time and peak memory, the
# web page's profile's sampler.
test=(
  libgtest-dev nodejs
  libgles-dev
  xvfb xauth xdotool imagemagick
  pulseaudio libfftw3-dev
  chromium firefox-esr webkit2gtk-driver
  clang-format
  time linux-perf
)

# Building the Debian packages the Debian way (the Build-Depends beyond
# play's: the tests' GoogleTest and FFTW), checking them (lintian, the
# manual pages, the desktop entry, the AppStream metadata), and the slow
# checks of scripts/package-check.sh: a fresh Debian 12 root, the
# installed-package test, the report on packages that are not
# byte-identical.
package=(
  libgtest-dev libfftw3-dev
  dpkg-dev debhelper lintian groff desktop-file-utils appstream
  mmdebstrap autopkgtest diffoscope-minimal
)

# clang with libFuzzer and the sanitizer runtimes.
fuzz=(clang libclang-rt-14-dev)

declare -A wanted=()
want() {
  case "$1" in
    play) ;;
    video | web | package | fuzz) want play ;;
    test) want video; want web ;;
    *)
      echo "install-deps: no profile '$1' (play, video, web, test, package, fuzz)" >&2
      exit 2
      ;;
  esac
  wanted[$1]=1
}
if [ $# -eq 0 ]; then
  set -- test package
fi
for profile in "$@"; do
  want "$profile"
done

packages=()
add() {
  local -n list=$1
  packages+=("${list[@]}")
}
for profile in play video web test package fuzz; do
  if [ -n "${wanted[$profile]:-}" ]; then
    add "$profile"
  fi
done
mapfile -t packages < <(printf '%s\n' "${packages[@]}" | sort -u)

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
