#!/usr/bin/env bash
# Builds everything and runs every test, then the tests without Qt again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build
# (cross-compiled with mingw-w64) with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh windows
# The benchmarks are built by scripts/bench.sh, in the release build; without
# -g the tests build a quarter faster (build-asan keeps it for its reports).
cmake --preset default -DVANNERBY_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
cmake --build --preset default
ctest --preset default -j2
cmake --preset asan
cmake --build --preset asan
ctest --preset asan -j2
bash scripts/windows-sdk.sh
cmake --preset windows
cmake --build --preset windows
# One at a time: a Wine program started beside the widget tests sometimes waits
# until they end, and a test that must run alone would then wait for it.
ctest --preset windows
