#!/usr/bin/env bash
# Builds the program and the whole test suite twice and runs every test in both builds: a plain
# optimised build (GCC), and a build under AddressSanitizer + UndefinedBehaviorSanitizer (clang)
# whose code is also instrumented for libFuzzer, so the fuzz targets come from that same build and
# run for a short while at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
shared="${VORN_SHARED_DIR:-$(cd .. && pwd)/shared}"

run_suite() {  # build-dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DVORN_SHARED_DIR="$shared" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld \
    "$@" > /dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600)
}

# Without debug information: the tests need none, and it is most of the compiler's and the
# linker's work.
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
# Line tables only: enough for the sanitizers' reports to name file and line.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-san -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only -DVORN_SANITIZE=ON -DVORN_FUZZ=ON

# The libFuzzer targets, each for a short while on a copy of its seed corpus; a crash leaves its
# input in build-san/ and fails the run.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
fuzz() {  # target, corpus folder, longest input, seconds
  rm -rf "${corpus:?}"/*
  cp "fuzz/corpus/$2"/* "$corpus"
  "build-san/fuzz/$1" -max_total_time="$4" -max_len="$3" -artifact_prefix=build-san/ "$corpus"
}
fuzz expression_fuzz expression 256 10
fuzz webdriver_reply_fuzz webdriver_reply 4096 10
fuzz lpstat_fuzz lpstat 4096 10
fuzz render_fuzz render 4096 10
fuzz document_fuzz document 2048 10
fuzz list_item_fuzz list_item 4096 10
fuzz transmitted_fuzz transmitted 4096 10
fuzz status_page_fuzz status_page 8192 10
fuzz assets_text_fuzz assets_text 4096 10
fuzz assets_xml_fuzz assets_xml 4096 10
fuzz leao_book_fuzz leao_book 4096 10
fuzz lcdpr_book_fuzz lcdpr_book 4096 10
fuzz income_statement_fuzz income_statement 4096 10
fuzz rural_book_fuzz rural_book 4096 10
fuzz government_file_fuzz government_file 8192 10
fuzz receipt_file_fuzz receipt_file 4096 10
fuzz payroll_fuzz payroll 4096 10
fuzz letter_fuzz letter 4096 10
# Text typed into the item editor's cells: slow inputs (each opens its list a few times), so a
# shorter input and a few seconds more.
fuzz item_cells_fuzz item_cells 128 20
