#!/usr/bin/env bash
# Builds everything and runs every test, then the tests without Qt again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build
# (cross-compiled with mingw-w64) with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh windows
# The benchmarks are built by scripts/bench.sh, in the release build.
cmake --preset default -DVANNERBY_BUILD_BENCH=OFF
cmake --build --preset default
ctest --preset default -j2
cmake --preset asan
cmake --build --preset asan
ctest --preset asan -j2
bash scripts/windows-sdk.sh
cmake --preset windows
cmake --build --preset windows
ctest --preset windows -j2
