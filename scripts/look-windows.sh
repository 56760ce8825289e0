#!/usr/bin/env bash
# Starts the Windows viewer (build-windows/bin/vannerby.exe) under Wine on a
# virtual display, opens the demo archive and takes screenshots of the main
# window, the about box and the extract dialog, into the folder given (default:
# build-windows/screenshots). Wine runs in a throw-away prefix of the build
# folder and in a virtual desktop, so that its windows carry Windows' frames
# although no window manager runs; Qt's DLLs are found in the SDK (WINEPATH).
# Needs xvfb, xdotool, imagemagick and, for Windows' fonts, fonts-wine
# (apt-get install xvfb xdotool imagemagick fonts-wine).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build-windows/screenshots}")
exe=build-windows/bin/vannerby.exe
demo=build-windows/demo/demo.pak
[[ -f $demo ]] || demo=build/demo/demo.pak
for f in "$exe" "$demo"; do
    [[ -f $f ]] || { echo "Missing $f: build the windows preset first." >&2; exit 1; }
done
mkdir -p "$out"
winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

export WINEPREFIX=$PWD/build-windows/wine-look WINEDEBUG=-all
export WINEPATH=$(winpath build-windows-sdk/sdk/bin)
display=:${VANNERBY_LOOK_DISPLAY:-78}
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    wineserver --kill 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1
# Wine takes the user's language and locale from the Unix locale: a German
# Windows needs de_DE.UTF-8, made here into the build folder where the system
# has not got it.
if ! locale -a | grep -qix 'de_DE.utf-\?8'; then
    export LOCPATH=$PWD/build-windows/locale
    [[ -d $LOCPATH/de_DE.UTF-8 ]] || { mkdir -p "$LOCPATH"; localedef -i de_DE -f UTF-8 "$LOCPATH/de_DE.UTF-8"; }
fi
export LANG=de_DE.UTF-8
# A fresh prefix each time, so that no settings of an earlier look are used.
rm -rf "$WINEPREFIX"
wineboot --init >/dev/null 2>&1
wineserver --wait

wine explorer /desktop=Vannerby,1280x800 "$(winpath "$exe")" "$(winpath "$demo")" >/dev/null 2>&1 &
sleep "${VANNERBY_LOOK_WAIT:-12}"
shot() { import -window root "$out/$1.png"; }
# The pointer over the desktop gives it the keyboard (no window manager).
xdotool mousemove 640 400
shot main
# The help menu "?" (the window stands in the desktop's top left corner), then
# its last entry: the about box.
xdotool mousemove 248 34 click 1; sleep 1; shot menu-help
xdotool key Up Return; sleep 2; shot about
xdotool mousemove 640 400
xdotool key Escape; sleep 1
# Extract with the list focused (Ctrl+X).
xdotool key ctrl+x; sleep 2; shot extract
xdotool key Escape; sleep 1
echo "Screenshots in $out"
