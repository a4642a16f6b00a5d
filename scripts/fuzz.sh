#!/bin/sh
# Fuzzes the settings-file reader and writer with libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer: sh scripts/fuzz.sh [seconds] (default 600).
# New inputs are kept in build-fuzz/corpus; crashes land in build-fuzz/.
set -e
cd "$(dirname "$0")/.."
seconds="${1:-600}"
command -v clang++ >/dev/null || { apt-get update -qq && apt-get install -y -qq clang; }
mkdir -p build-fuzz/corpus
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Isrc tests/fuzz/ini_fuzzer.cpp src/settings/codepage.cpp src/settings/ini_document.cpp \
  -o build-fuzz/ini_fuzzer
cd build-fuzz
./ini_fuzzer -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1 \
  corpus ../tests/fuzz/corpus
