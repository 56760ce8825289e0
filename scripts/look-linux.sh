#!/usr/bin/env bash
# Starts the viewer on the demo archive on a virtual display and takes
# screenshots of the main window, its Edit menu and the extract dialog with a
# search filter typed, into the folder given (default: build/screenshots).
# Needs xvfb, xdotool and imagemagick (apt-get install xvfb xdotool imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/screenshots}")
mkdir -p "$out"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME=$config TMPDIR=$config
Xvfb :77 -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb; rm -rf "$config"' EXIT
export DISPLAY=:77
sleep 1
build/bin/vannerby build/demo/demo.pak &
app=$!
sleep 3
shot() { import -window root "$out/$1.png"; }
shot main
xdotool mousemove 88 8 click 1; sleep 0.5; shot menu-edit; xdotool key Escape; sleep 0.3
xdotool key ctrl+f; xdotool type ini; sleep 0.5; shot filtered
# Down goes back to the list, where Ctrl+X extracts (in the box it cuts text).
xdotool key Down; xdotool key ctrl+x; sleep 1; shot extract-filtered; xdotool key Escape
sleep 0.3
kill $app 2>/dev/null || true
echo "Screenshots in $out"
