#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks (not part of the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset release
cmake --build --preset release
work=$(mktemp -d "${BENCH_DIR:-$PWD/build-release}/bench-data.XXXXXX")
trap 'rm -rf "$work"' EXIT
build-release/bin/bench_core build-release/bin/vannerby-cli "$work"
