#!/usr/bin/env bash
# Builds the program and starts the viewer on the demo archive made at build time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset default
cmake --build --preset default
demo=build/demo/demo.pak
if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]]; then
    echo "The viewer needs a desktop session (DISPLAY or WAYLAND_DISPLAY is not set)." >&2
    echo "Run it there with: build/bin/vannerby $demo" >&2
    echo "Meanwhile, the archive as the command-line tool lists it:" >&2
    build/bin/vannerby-cli list -l "$demo"
    exit 1
fi
exec build/bin/vannerby "$demo"
