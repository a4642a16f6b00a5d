#!/bin/sh
# Builds everything and runs every test: the unit tests (no display, with
# AddressSanitizer and UndefinedBehaviorSanitizer) and the integration tests
# (the real window and engine, each test on a virtual display and a session
# bus of its own). Warnings are errors here.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs="$(nproc)"

cmake -S . -B build-asan -DTABULON_GUI=OFF -DTABULON_SANITIZE=ON -DTABULON_WERROR=ON \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan -LE fuzz -j"$jobs" --output-on-failure

cmake -S . -B build -DTABULON_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -L 'integration|install' --output-on-failure
