#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks (not part of the tests):
# vannerby-cli against tar, the translated window, the viewer and its preview,
# extraction through the progress window, and the picture view.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset release
cmake --build --preset release
work=$(mktemp -d "${BENCH_DIR:-$PWD/build-release}/bench-data.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
echo "== archive core: vannerby-cli against tar"
build-release/bin/bench_core build-release/bin/vannerby-cli "$work"
echo "== language file: translating a window"
build-release/bin/vannerby-bench-i18n
echo "== viewer"
build-release/bin/vannerby-bench-viewer
echo "== preview"
build-release/bin/vannerby-bench-preview
echo "== extraction: the progress window against vannerby-cli extract"
BENCH_DIR="$work" build-release/bin/vannerby-bench-extract
echo "== picture view: thumbnails of 1,000 to 100,000 entries"
BENCH_DIR="$work" build-release/bin/vannerby-bench-pictures
