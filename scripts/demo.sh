#!/usr/bin/env bash
# Builds the program and shows it working on the demo archive made at build time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default
cmake --build --preset default
demo=build/demo/demo.pak
out=$(mktemp -d "${TMPDIR:-/tmp}/vannerby-demo.XXXXXX")
build/bin/vannerby-cli list -l "$demo"
build/bin/vannerby-cli extract -v -C "$out" "$demo"
echo "Extracted into $out:"
find "$out" -type f -exec ls -l --time-style=full-iso {} +
