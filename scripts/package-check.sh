#!/usr/bin/env bash
# The Debian package's slow checks (each build takes minutes on two cores):
#
#   --reproducible  two builds of the same source (scripts/deb-build.sh),
#                   one after the other in differently named folders,
#                   build/deb-repro/first and build/deb-repro/second-elsewhere:
#                   every .deb (the -dbgsym ones too) must be byte-identical (cmp); for any
#                   that differ, diffoscope's report is printed and kept.
#   --clean-root    mmdebstrap makes a fresh Debian 12 root (essential, apt
#                   and build-essential only) in build/clean-root/root. There,
#                   dpkg-checkbuilddeps first names what is missing, apt
#                   installs just the Build-Depends, dpkg-checkbuilddeps is
#                   satisfied and dpkg-buildpackage builds the packages (into
#                   build/clean-root/); then autopkgtest runs debian/tests
#                   against them on that root (the null testbed: the root
#                   itself), from a fresh copy of the source. The packages
#                   are compared with those of --reproducible if present.
#                   mmdebstrap mounts /proc, /sys and /dev in the root only
#                   while it runs and takes them down on every way out.
#
# Without an option: both, in that order. Needs root (mmdebstrap's root mode).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
version=$(dpkg-parsechangelog -S Version)

fail() {
  echo "package-check: $*" >&2
  exit 1
}

# Runs inside mmdebstrap's customize hook: $1 is the root, mounted.
if [ "${1:-}" = "--in-root" ]; then
  root=$2
  out=$3
  inroot() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
      DEBIAN_FRONTEND=noninteractive "$@"
  }
  src=/build/kvistra-$version
  if inroot sh -c "cd $src && dpkg-checkbuilddeps"; then
    fail "the fresh root already has every Build-Depends"
  fi
  inroot apt-get install -y -q --no-install-recommends ca-certificates >/dev/null
  inroot apt-get build-dep -y -q --no-install-recommends "$src"
  start=$SECONDS
  inroot sh -c "cd $src && dpkg-checkbuilddeps && dpkg-buildpackage -us -uc -b -J2"
  echo "package-check: built in the clean root in $((SECONDS - start)) s"
  cp "$root"/build/kvistra*_"$version"_*.deb \
    "$root"/build/kvistra*_"$version"_*.buildinfo "$out"/
  inroot apt-get install -y -q --no-install-recommends autopkgtest
  start=$SECONDS
  status=0
  inroot sh -c "autopkgtest --output-dir /build/autopkgtest /build/test/kvistra-$version \
    \$(ls /build/kvistra*_${version}_*.deb | grep -v -- -dbgsym_) -- null" || status=$?
  cp -r "$root"/build/autopkgtest "$out"/
  echo "package-check: autopkgtest ran in $((SECONDS - start)) s, exit status $status"
  exit "$status"
fi

# Compares the packages in two folders; diffoscope's report for each that
# differs goes into DIR/diffoscope-NAME.txt.
compare() {
  local a=$1 b=$2 report=$3 same=0 different=0
  shopt -s nullglob
  local debs=("$a"/*.deb)
  shopt -u nullglob
  [ ${#debs[@]} -gt 0 ] || fail "no packages in $a"
  for deb in "${debs[@]}"; do
    name=$(basename "$deb")
    if cmp "$deb" "$b/$name"; then
      same=$((same + 1))
    else
      different=$((different + 1))
      diffoscope --text "$report/diffoscope-$name.txt" "$deb" "$b/$name" || true
      cat "$report/diffoscope-$name.txt"
    fi
  done
  echo "package-check: $same packages byte-identical, $different different ($a, $b)"
  [ "$different" -eq 0 ]
}

reproducible() {
  local dir=build/deb-repro
  rm -rf "$dir"
  local start=$SECONDS
  scripts/deb-build.sh "$dir/first"
  echo "package-check: first build done at $(date -u +%T) after $((SECONDS - start)) s"
  start=$SECONDS
  scripts/deb-build.sh "$dir/second-elsewhere"
  echo "package-check: second build done at $(date -u +%T) after $((SECONDS - start)) s"
  compare "$dir/first" "$dir/second-elsewhere" "$dir"
  sha256sum "$dir"/first/*.deb 
}

clean_root() {
  local dir=$top/build/clean-root
  # Never remove a folder that still has something mounted in it.
  if grep -q " $dir/" /proc/mounts; then
    fail "something is still mounted under $dir"
  fi
  rm -rf "$dir"
  mkdir -p "$dir/out" "$dir/stage"
  scripts/deb-build.sh --copy-only "$dir/stage"
  local start=$SECONDS
  mmdebstrap --mode=root --variant=buildd \
    --customize-hook="mkdir -p \"\$1/build/test\" && cp -a '$dir/stage/kvistra-$version' \"\$1/build/\" \
      && cp -a '$dir/stage/kvistra-$version' \"\$1/build/test/\"" \
    --customize-hook="'$top/scripts/package-check.sh' --in-root \"\$1\" '$dir/out'" \
    bookworm "$dir/root"
  echo "package-check: the clean root's build and test took $((SECONDS - start)) s in all"
  if grep -q " $dir/" /proc/mounts; then
    fail "mmdebstrap left something mounted under $dir"
  fi
  if ls build/deb-repro/first/kvistra_"$version"_*.changes >/dev/null 2>&1; then
    compare build/deb-repro/first "$dir/out" "$dir" ||
      echo "package-check: (the clean root's toolchain may differ from this machine's: see the .buildinfo files)"
  fi
}

case "${1:-}" in
  --reproducible) reproducible ;;
  --clean-root) clean_root ;;
  "") reproducible; clean_root ;;
  *) echo "usage: $0 [--reproducible|--clean-root]" >&2; exit 2 ;;
esac
