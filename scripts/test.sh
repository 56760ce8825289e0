#!/usr/bin/env bash
# Builds everything and runs every test, then the tests without Qt again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default -j2
cmake --preset asan
cmake --build --preset asan
ctest --preset asan -j2
