#!/bin/sh
# Fuzzes the settings-file reader and writer, then the filter-list converter,
# with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer:
# sh scripts/fuzz.sh [seconds] (default 600 each). The fuzzers are CMake's
# ini_fuzzer and filter_fuzzer targets; new inputs are kept in
# build-fuzz/tests/fuzz-corpus and filter-fuzz-corpus, crashes land in
# build-fuzz/tests/.
set -e
cd "$(dirname "$0")/.."
seconds="${1:-600}"
scripts/setup.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -DTABULON_GUI=OFF -DTABULON_FUZZ=ON -DTABULON_WERROR=ON >/dev/null
cmake --build build-fuzz --target ini_fuzzer filter_fuzzer
cd build-fuzz/tests
./ini_fuzzer -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1 \
  -artifact_prefix=./ fuzz-corpus ../../tests/fuzz/corpus
./filter_fuzzer -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1 \
  -artifact_prefix=./ filter-fuzz-corpus ../../tests/fuzz/filter-corpus
