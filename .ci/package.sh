#!/usr/bin/env bash
# CI, release and package leg: the plain Release build with warnings as
# errors (the "release" workflow preset: configure, build, every test, cpack
# -G DEB), then the Debian package checked with lintian (no error), installed
# with dpkg -i, the C example built against it through pkg-config and run,
# `orvdb query` run, and the package removed again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(dpkg-dev lintian pkg-config)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

rm -f build/release/orvdb_*.deb
cmake --workflow --preset release
deb=$(ls build/release/orvdb_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

echo "== lintian"
# Errors fail the leg; warnings are shown (the unavoidable ones are
# overridden in the package, each with its reason).
lintian --fail-on error --display-info "$deb"

echo "== install, build the example with pkg-config, query"
work=$(mktemp -d)
cleanup() {
  dpkg -r orvdb >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
dpkg -i "$deb"
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror examples/query_example.c -o "$work/query_example" $(pkg-config --cflags --libs orvdb)
"$work/query_example"
answer=$(orvdb query drv 0x1003 -s 28=9)
echo "orvdb query drv 0x1003 -s 28=9: $answer"
[ "$answer" = "21000 29700" ]

echo "== remove"
dpkg -r orvdb
if [ -e /usr/bin/orvdb ] || [ -e /usr/include/orvdb/orvdb.h ] || pkg-config --exists orvdb; then
  echo "files of the package are still installed" >&2
  exit 1
fi
