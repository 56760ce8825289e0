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
bash scripts/windows-sdk.sh
cmake --preset windows
cmake --build --preset windows
# The Wine tests mostly wait (on Wine's start-up, on the widget tests' windows),
# so the sanitizer build goes on meanwhile, at a priority that leaves them the
# processor whenever they want it. Its output follows theirs.
cmake --preset asan
nice -n 15 cmake --build --preset asan >build-asan/build.log 2>&1 &
asan_build=$!
windows=0
# One at a time: a Wine program started beside the widget tests sometimes waits
# until they end, and a test that must run alone would then wait for it.
ctest --preset windows || windows=$?
asan=0
wait "$asan_build" || asan=$?
cat build-asan/build.log
if ((asan == 0)); then
    ctest --preset asan -j2 || asan=$?
fi
((windows == 0 && asan == 0))
