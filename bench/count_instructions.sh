#!/bin/sh
# Instructions per query of representative paths and of their floors, counted
# by callgrind: stable where wall-clock timings on a shared machine are not.
#
#   bench/count_instructions.sh [BUILD_DIR] [CASE ...]
#
# BUILD_DIR defaults to build/bench (cmake --preset bench && cmake --build
# --preset bench). Without cases it counts a Root string switch, the deep
# settings tree and a command sequence. Each query runs N times inside one
# function that callgrind alone counts; the printout divides by N.
set -eu

build=${1:-build/bench}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || set -- root_string_switch drv_settings_tree drv_command_sequence
program=$build/bench/orvdb_query_instructions
n=${ORVDB_COUNT_QUERIES:-1000}

if [ ! -x "$program" ]; then
  echo "no $program: build the bench preset first" >&2
  exit 1
fi
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Instructions callgrind counted inside measured_queries for one run.
count() {
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" --collect-atstart=no \
    --toggle-collect='*measured_queries*' "$program" "$@" >/dev/null 2>"$out/log" || {
    cat "$out/log" >&2
    exit 1
  }
  sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$out/cg"
}

# The generic paths also have a scan floor: the same linear scans by the
# simplest loop (bench/scan_floor.h); the special paths have none ("-").
printf '| Path | Instructions/query | Floor instructions/query | Ratio | Scan floor instructions/query | Ratio to scan floor |\n'
printf '|---|--:|--:|--:|--:|--:|\n'
for case in "$@"; do
  library=$(count "$case" "$n")
  floor=$(count "$case" "$n" floor)
  scan=-1
  if "$program" "$case" 0 scan >/dev/null 2>&1; then scan=$(count "$case" "$n" scan); fi
  awk -v c="$case" -v l="$library" -v f="$floor" -v s="$scan" -v n="$n" \
    'BEGIN { if (s < 0) printf "| %s | %.0f | %.0f | %.1f | - | - |\n", c, l / n, f / n, l / f;
             else printf "| %s | %.0f | %.0f | %.1f | %.0f | %.2f |\n", c, l / n, f / n, l / f, s / n, l / s }'
done
