#!/usr/bin/env bash
# Builds the fuzz targets of the data file reader and the number reader with clang (a build of
# its own, without the window and the benchmarks) and runs each over its seed corpus for a
# bounded number of inputs with a fixed seed. Exits non-zero on any finding; the input that
# caused it is kept in <build>/fuzz-findings/ so it can be added to the seed corpus
# (tests/fuzz/corpus, tests/fuzz/number_corpus) once fixed.
#
#   tests/fuzz/run_fuzz.sh                   # build in ./build-fuzz, 200000 and 100000 inputs
#   PELVAR_FUZZ_BUILD_DIR=/tmp/f PELVAR_FUZZ_RUNS=20000 PELVAR_FUZZ_NUMBER_RUNS=10000 \
#     tests/fuzz/run_fuzz.sh
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${PELVAR_FUZZ_BUILD_DIR:-$repo/build-fuzz}"
runs="${PELVAR_FUZZ_RUNS:-200000}"
number_runs="${PELVAR_FUZZ_NUMBER_RUNS:-100000}"

export CC=clang CXX=clang++
cmake -S "$repo" -B "$build" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELVAR_FUZZ=ON -DPELVAR_WITH_GUI=OFF -DPELVAR_WITH_BENCH=OFF
cmake --build "$build" --target fuzz_problem_reader fuzz_number_reader -j2

# New inputs the fuzzer finds go to a scratch folder, so the seed corpus stays as committed.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
findings="$build/fuzz-findings"
mkdir -p "$findings"

# run <target> <runs> <max_len> <seed corpus>
run() {
  local status=0
  "$build/tests/fuzz/$1" \
    -runs="$2" -seed=1 -max_len="$3" -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/$1-" -print_final_stats=1 \
    "$scratch/$1" "$4" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "run_fuzz.sh: $1 failed (status $status); inputs kept in $findings" >&2
    exit 1
  fi
  echo "run_fuzz.sh: $1, $2 inputs, no finding"
}
mkdir -p "$scratch/fuzz_problem_reader" "$scratch/fuzz_number_reader"
run fuzz_problem_reader "$runs" 16384 "$repo/tests/fuzz/corpus"
run fuzz_number_reader "$number_runs" 512 "$repo/tests/fuzz/number_corpus"
