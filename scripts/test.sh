#!/bin/sh
# Builds everything and runs every test: the unit tests (no display, with
# AddressSanitizer and UndefinedBehaviorSanitizer) and the integration tests
# (the real window and engine on a virtual display).
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs="$(nproc)"

cmake -S . -B build-asan -DTABULON_GUI=OFF -DTABULON_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  ctest --test-dir build -L 'integration|install' --output-on-failure
