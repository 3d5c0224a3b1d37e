#!/usr/bin/env bash
# CI legs for reliability, after .ci/run's legs (which leave build/default):
#  1. the reliability tests built with the thread sanitizer (the thread test compares
#     8 threads' answers with a single thread's);
#  2. the fuzz targets built with libFuzzer, address and undefined-behaviour
#     sanitizers, each run for a bounded time (FUZZ_SECONDS, default 60);
#  3. every test executable of build/default under Valgrind memcheck: no
#     leak, no invalid access.
# Each leg prints its time; the script fails when any leg fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-missing.sh valgrind clang libclang-rt-14-dev

start=$(date +%s)
leg_start=$start
leg() {
  local now
  now=$(date +%s)
  echo
  echo "== $1 (leg took $((now - leg_start)) s, $((now - start)) s in all)"
  leg_start=$now
}

leg "thread sanitizer: the thread and allocation-failure tests"
cmake --workflow --preset tsan

leg "fuzz targets: ${FUZZ_SECONDS:-60} s each"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz
fuzz/run_fuzzers.sh "${FUZZ_SECONDS:-60}" build/fuzz

leg "valgrind memcheck: every test executable of build/default"
if [ ! -f build/default/CTestTestfile.cmake ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default
fi
failed=0
# memcheck EXE ARGS...: runs one program under memcheck, its log beside it.
memcheck() {
  local exe=$1
  if ! valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect \
      --error-exitcode=1 "$@" >"$exe.memcheck.log" 2>&1; then
    echo "memcheck FAILED: $exe (log: $exe.memcheck.log)"
    tail -30 "$exe.memcheck.log"
    failed=1
  else
    echo "memcheck clean: $exe"
  fi
}
mapfile -t tests < <(find build/default -type f -executable -name '*_test' | sort)
for exe in "${tests[@]}"; do
  memcheck "$exe" --gtest_brief=1
done
for target in query image image_file; do
  memcheck build/default/fuzz/${target}_fuzzer_replay fuzz/corpus/$target fuzz/regressions/$target
done
[ $failed -eq 0 ]

leg "done"
