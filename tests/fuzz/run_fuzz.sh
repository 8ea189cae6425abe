#!/usr/bin/env bash
# Builds the data file reader's fuzz target with clang (a build of its own, without the window
# and the benchmarks) and runs it over the seed corpus for a bounded number of inputs with a
# fixed seed. Exits non-zero on any finding; the input that caused it is kept in
# <build>/fuzz-findings/ so it can be added to tests/fuzz/corpus once fixed.
#
#   tests/fuzz/run_fuzz.sh                   # build in ./build-fuzz, 200000 inputs
#   PELVAR_FUZZ_BUILD_DIR=/tmp/f PELVAR_FUZZ_RUNS=20000 tests/fuzz/run_fuzz.sh
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${PELVAR_FUZZ_BUILD_DIR:-$repo/build-fuzz}"
runs="${PELVAR_FUZZ_RUNS:-200000}"

export CC=clang CXX=clang++
cmake -S "$repo" -B "$build" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELVAR_FUZZ=ON -DPELVAR_WITH_GUI=OFF -DPELVAR_WITH_BENCH=OFF
cmake --build "$build" --target fuzz_problem_reader -j2

# New inputs the fuzzer finds go to a scratch folder, so the seed corpus stays as committed.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
findings="$build/fuzz-findings"
mkdir -p "$findings"

status=0
"$build/tests/fuzz/fuzz_problem_reader" \
  -runs="$runs" -seed=1 -max_len=16384 -timeout=20 -rss_limit_mb=2048 \
  -artifact_prefix="$findings/" -print_final_stats=1 \
  "$scratch" "$repo/tests/fuzz/corpus" || status=$?

if [ "$status" -ne 0 ]; then
  echo "run_fuzz.sh: the fuzz target failed (status $status); inputs kept in $findings" >&2
  exit 1
fi
echo "run_fuzz.sh: $runs inputs, no finding"
