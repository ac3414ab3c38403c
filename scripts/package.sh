#!/usr/bin/env bash
# Builds the Debian packages kvistra and kvistra-tools into build/deb/ with
# dpkg-buildpackage from a copy of this tree (scripts/deb-build.sh), checks
# them with lintian --pedantic (no error, no warning; the info and pedantic
# notes are shown), validates their AppStream metadata and desktop entry,
# and prints their sizes. Install them with
#   apt install ./build/deb/kvistra_*.deb ./build/deb/kvistra-tools_*.deb
# The slow checks (two builds byte-identical, a build in a fresh Debian 12
# root, the installed-package test through autopkgtest) are in
# scripts/package-check.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package
scripts/deb-build.sh build/deb

changes=$(ls build/deb/kvistra_*.changes)
lintian --pedantic --display-info --fail-on error,warning "$changes"
echo "package.sh: lintian: no error, no warning"

root=build/deb/unpacked
rm -rf "$root"
for deb in build/deb/*.deb; do
  dpkg-deb -x "$deb" "$root"
done
appstreamcli validate --pedantic --no-net "$root"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$root"/usr/share/applications/kvistra.desktop
rm -rf "$root"

for deb in build/deb/*.deb; do
  printf 'package.sh: %-45s %9d bytes, installed %6d KiB\n' "$(basename "$deb")" \
    "$(stat -c %s "$deb")" "$(dpkg-deb -f "$deb" Installed-Size)"
done
