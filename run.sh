#!/usr/bin/env bash
# Installs what is missing, configures, builds (which bakes the assets) and
# plays the show. With an X display it plays full screen with its music;
# without one it renders the show to kvistra.mp4 instead.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
cd build/run

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  log=$(mktemp)
  trap 'rm -f "$log"' EXIT
  set +e
  ./kvistra "$@" | tee "$log"
  status=${PIPESTATUS[0]}
  set -e
  if [ "$status" -ne 0 ] && grep -q "Can't initialize device" "$log"; then
    echo "run.sh: no audio device could be opened; playing the show silent."
    SDL_AUDIODRIVER=dummy ./kvistra "$@"
    exit $?
  fi
  exit "$status"
fi

echo "run.sh: no X display; rendering the show to video instead (about as long as the show)."
./kvistra-capture --mp4 "$top/kvistra.mp4"
echo "run.sh: the show is in $top/kvistra.mp4"
