#!/usr/bin/env bash
# Builds the program and the whole test suite twice, plain and under AddressSanitizer +
# UndefinedBehaviorSanitizer, and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
shared="${VORN_SHARED_DIR:-$(cd .. && pwd)/shared}"

run_suite() {  # build-dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DVORN_SHARED_DIR="$shared" "$@" > /dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

run_suite build
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-asan -DVORN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

# The libFuzzer targets (clang), each for a short while on a copy of its seed corpus; a crash
# leaves its input in build-fuzz/ and fails the run.
cmake -S . -B build-fuzz -G Ninja -DVORN_SHARED_DIR="$shared" -DCMAKE_CXX_COMPILER=clang++ \
  -DVORN_FUZZ=ON -DVORN_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build-fuzz -j "$jobs" --target expression_fuzz webdriver_reply_fuzz lpstat_fuzz \
  render_fuzz item_cells_fuzz document_fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
fuzz() {  # target, corpus folder, longest input, seconds
  rm -rf "${corpus:?}"/*
  cp "fuzz/corpus/$2"/* "$corpus"
  "build-fuzz/fuzz/$1" -max_total_time="$4" -max_len="$3" -artifact_prefix=build-fuzz/ "$corpus"
}
fuzz expression_fuzz expression 256 10
fuzz webdriver_reply_fuzz webdriver_reply 4096 10
fuzz lpstat_fuzz lpstat 4096 10
fuzz render_fuzz render 4096 10
fuzz document_fuzz document 2048 10
# Text typed into the item editor's cells: slow inputs (each opens its list a few times), so a
# shorter input and a few seconds more.
fuzz item_cells_fuzz item_cells 128 20
