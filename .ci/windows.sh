#!/usr/bin/env bash
# CI, Windows leg: cross-build every model's DLL (orvdb.dll, orvdb_<model>.dll)
# for x86_64 and i686 with MinGW-w64, check each DLL's export and import
# tables, and run the x86_64 tests under Wine in a fresh prefix. The i686
# programs cannot run here (no 32-bit Wine; installing one breaks the 64-bit
# wine command on these machines).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64)
scripts/install-missing.sh "${packages[@]}"

start=$(date +%s)
leg() { echo; echo "== $1 ($(( $(date +%s) - start )) s)"; }

export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/mingw64/wineprefix"
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
# The prefix's server and services are this script's: end them on the way out.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

leg "x86_64: build, table check, tests under Wine"
cmake --workflow --preset mingw64

leg "i686: build and table check"
cmake --workflow --preset mingw32

leg "DLL sizes"
for dll in build/mingw64/orvdb*.dll build/mingw32/orvdb*.dll; do
  echo "$dll: $(stat -c %s "$dll") bytes"
done

leg "done"
