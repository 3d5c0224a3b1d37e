#!/usr/bin/env bash
# CI, release and package leg: the plain Release build with warnings as
# errors (the "release" workflow preset: configure, build, every test, cpack
# -G DEB), then the Debian package checked: it holds the manual pages and the
# bash completion, lintian reports no error and no warning; installed with
# dpkg -i, the C examples built against it through pkg-config and run, the
# manual pages shown by man, `orvdb query` run, and the package removed again.
set -euo pipefail
cd "$(dirname "$0")/.."

# file: CPack's dpkg-shlibdeps step; perl: pod2man, the manual pages' builder.
packages=(dpkg-dev lintian pkg-config file perl man-db)
scripts/install-missing.sh "${packages[@]}"

rm -f build/release/orvdb_*.deb
cmake --workflow --preset release
deb=$(ls build/release/orvdb_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

echo "== the manual pages and the completion"
for file in ./usr/share/man/man1/orvdb.1.gz ./usr/share/man/man3/orvdb.3.gz \
            ./usr/share/bash-completion/completions/orvdb; do
  dpkg-deb --contents "$deb" | grep -F " $file" || { echo "missing from the package: $file" >&2; exit 1; }
done

echo "== lintian"
# Errors and warnings fail the leg (the unavoidable ones are overridden in
# the package, each with its reason).
lintian --fail-on error,warning --display-info "$deb"

echo "== install, build the example with pkg-config, query"
work=$(mktemp -d)
cleanup() {
  dpkg -r orvdb >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
dpkg -i "$deb"
for example in examples/*.c; do
  name=$(basename "$example" .c)
  # shellcheck disable=SC2046
  cc -Wall -Wextra -Werror "$example" -o "$work/$name" $(pkg-config --cflags --libs orvdb)
  "$work/$name"
done
for page in /usr/share/man/man1/orvdb.1.gz /usr/share/man/man3/orvdb.3.gz; do
  warnings=$(man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
done
answer=$(orvdb query drv 0x1003 -s 28=9)
echo "orvdb query drv 0x1003 -s 28=9: $answer"
[ "$answer" = "21000 29700" ]

echo "== remove"
dpkg -r orvdb
if [ -e /usr/bin/orvdb ] || [ -e /usr/include/orvdb/orvdb.h ] || pkg-config --exists orvdb ||
   [ -e /usr/share/man/man1/orvdb.1.gz ] || [ -e /usr/share/bash-completion/completions/orvdb ]; then
  echo "files of the package are still installed" >&2
  exit 1
fi
