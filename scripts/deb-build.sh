#!/usr/bin/env bash
# Builds the Debian packages from this tree as Debian builds them: the tree's
# files (those git tracks or would track; never a build directory) are copied
# into OUT/kvistra-VERSION, and dpkg-buildpackage -us -uc -b builds there
# with Debian's flags and debian/rules. The packages (.deb and the debug
# symbols' -dbgsym packages), the .buildinfo and the .changes land in OUT; the copy is
# removed after a good build. DEB_BUILD_OPTIONS passes through (nocheck:
# without the tests); the build uses two jobs unless it names parallel=N.
# --copy-only only makes the copy (scripts/package-check.sh builds it in a
# clean root).
# usage: scripts/deb-build.sh [--copy-only] OUT
set -euo pipefail
copy_only=false
if [ "${1:-}" = "--copy-only" ]; then
  copy_only=true
  shift
fi
[ $# -eq 1 ] || { echo "usage: $0 [--copy-only] OUT" >&2; exit 2; }
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
version=$(dpkg-parsechangelog -l "$top/debian/changelog" -S Version)
src=$out/kvistra-$version
rm -rf "$src" "$out"/kvistra*_"$version"_*
mkdir "$src"

if git -C "$top" rev-parse --git-dir >/dev/null 2>&1; then
  # Files deleted but not yet committed are left out.
  mapfile -d '' files < <(git -C "$top" ls-files -z --cached --others --exclude-standard)
  present=()
  for f in "${files[@]}"; do
    [ -e "$top/$f" ] && present+=("$f")
  done
  printf '%s\0' "${present[@]}" | tar -C "$top" --null -T - -cf - | tar -C "$src" -xf -
else
  tar -C "$top" --exclude='./build*' --exclude=./debian/build -cf - . | tar -C "$src" -xf -
fi

if $copy_only; then
  exit 0
fi

cd "$src"
dpkg-checkbuilddeps
nice -n 10 dpkg-buildpackage -us -uc -b -J2
rm -rf "$src"
ls "$out"/kvistra*_"$version"_*
