#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while and reports executions,
# time and crashes per target. Short runs are the CI smoke test; long runs
# (hours) are how the corpora grow.
#
#   fuzz/run_fuzzers.sh [seconds per target] [build dir]
#     seconds   default 60
#     build dir default build/fuzz (cmake --preset fuzz && cmake --build --preset fuzz)
#
# Each target starts from its committed seed corpus and the inputs of past
# crashes, and writes what it finds to <build dir>/fuzz-work/<target>/corpus
# (the committed corpus is never touched: copy worthwhile inputs into
# fuzz/corpus/<target> by hand, after `-merge=1` minimisation). A crash,
# leak, timeout or failed check leaves its input in
# <build dir>/fuzz-work/<target>/artifacts and makes the script fail; keep
# that input in fuzz/regressions/<target> once the cause is fixed.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build/fuzz}
status=0
for target in query image image_file; do
  exe=$build/fuzz/${target}_fuzzer
  if [ ! -x "$exe" ]; then
    echo "missing $exe: configure and build the fuzz preset first" >&2
    exit 2
  fi
  work=$build/fuzz-work/$target
  mkdir -p "$work/corpus" "$work/artifacts"
  # The loader's target also starts from the image files this build wrote.
  extra=()
  [ "$target" = image_file ] && extra=("$build/fuzz/seeds/image_file")
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  log=$work/last-run.log
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      "${dict[@]}" -artifact_prefix="$work/artifacts/" \
      "$work/corpus" fuzz/corpus/$target fuzz/regressions/$target "${extra[@]}" >"$log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  secs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | grep -o 'in [0-9]*' | grep -o '[0-9]*')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
  if [ $rc -ne 0 ]; then
    status=1
    echo "$target: FAILED after ${runs:-?} executions; input in $work/artifacts:"
    grep -E 'ERROR|SUMMARY|reliability check failed' "$log" | head -5
  else
    echo "$target: ${runs:-?} executions in ${secs:-$seconds} s, ${cov:-cov: ?} edges, no crash"
  fi
done
exit $status
