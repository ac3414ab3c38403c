#!/usr/bin/env bash
# Installs what is missing, configures, builds (which bakes the assets) and
# plays the show. With an X display it plays full screen with its music;
# without one it renders the show to kvistra.mp4 instead. ./run.sh --web
# builds the web page instead and serves it on 127.0.0.1 (port 8000, or
# $KVISTRA_WEB_PORT). The builds are the presets play (build/) and web
# (build-web/) of CMakePresets.json.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

# ./run.sh --web: the web page, served on this machine only. Of the native
# tree it needs only the baked assets.
if [ "${1:-}" = "--web" ]; then
  scripts/install-deps.sh web
  cmake --preset play
  cmake --build --preset assets
  cmake --preset web
  cmake --build --preset web
  port=${KVISTRA_WEB_PORT:-8000}
  echo "run.sh: the show is at http://127.0.0.1:$port/kvistra.html (Ctrl-C stops the server)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web
fi
scripts/install-deps.sh play
cmake --preset play
cmake --build --preset play
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

"$top/scripts/install-deps.sh" video
echo "run.sh: no X display; rendering the show to video instead (about as long as the show)."
./kvistra-capture --mp4 "$top/kvistra.mp4"
echo "run.sh: the show is in $top/kvistra.mp4"
