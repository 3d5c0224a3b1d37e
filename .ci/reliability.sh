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

for p in valgrind clang libclang-rt-14-dev; do
  if ! dpkg -s "$p" >/dev/null 2>&1; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq valgrind clang libclang-rt-14-dev
    break
  fi
done

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
mapfile -t tests < <(find build/default -type f -executable -name '*_test' | sort)
for exe in "${tests[@]}"; do
  if ! valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect \
      --error-exitcode=1 "$exe" --gtest_brief=1 >"$exe.memcheck.log" 2>&1; then
    echo "memcheck FAILED: $exe (log: $exe.memcheck.log)"
    tail -30 "$exe.memcheck.log"
    failed=1
  else
    echo "memcheck clean: $exe"
  fi
done
for target in query image image_file; do
  exe=build/default/fuzz/${target}_fuzzer_replay
  if ! valgrind --quiet --leak-check=full --error-exitcode=1 "$exe" fuzz/corpus/$target \
      fuzz/regressions/$target >"$exe.memcheck.log" 2>&1; then
    echo "memcheck FAILED: $exe (log: $exe.memcheck.log)"
    tail -30 "$exe.memcheck.log"
    failed=1
  else
    echo "memcheck clean: $exe"
  fi
done
[ $failed -eq 0 ]

leg "done"
