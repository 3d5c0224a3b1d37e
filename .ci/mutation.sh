#!/usr/bin/env bash
# CI leg: a seeded sample of the mutation run (tests/mutation/mutate.py),
# cut to about five minutes of mutants after its own build. It fails on any
# mutant that every test lets through and that the list of accepted
# survivors does not name; the figures of the sample are printed here.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-missing.sh python3

python3 tests/mutation/mutate.py --per-file 30 --seed 1 --budget "${MUTATION_SECONDS:-300}" \
  --build build/mutation
