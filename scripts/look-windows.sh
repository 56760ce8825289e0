#!/usr/bin/env bash
# Starts the Windows viewer (build-windows/bin/vannerby.exe, with the DLLs and
# plugins the build put beside it) under Wine on a virtual display, in German,
# opens the demo archive and takes screenshots of every window into the folder
# given (default: build-windows/screenshots): the main window with the preview,
# the help menu and the about box, the options dialog's two tabs, the check
# window, the open dialog, the extract dialog, Qt's German question for a
# missing folder, the overwrite question and the window after the extraction.
# Wine runs in a throw-away prefix of the build folder and in a virtual desktop,
# so that its windows carry Windows' frames although no window manager runs.
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

# A target folder that already holds one of the archive's files.
ziel=$WINEPREFIX/drive_c/ziel
mkdir -p "$ziel"
echo alt >"$ziel/readme.txt"
touch -d 2001-01-01 "$ziel/readme.txt"

wine explorer /desktop=Vannerby,1280x800 "$(winpath "$exe")" "$(winpath "$demo")" >/dev/null 2>&1 &
sleep "${VANNERBY_LOOK_WAIT:-15}"
shot() { import -window root "$out/$1.png"; echo "$out/$1.png"; }
keys() { xdotool key --delay 200 "$@"; sleep "${VANNERBY_LOOK_STEP:-2}"; }
# The pointer over the desktop gives it the keyboard (no window manager).
xdotool mousemove 640 400
shot main
keys F3; shot main-preview; keys F3
# The help menu "?" (the window stands in the desktop's top left corner), then
# its last entry: the about box.
xdotool mousemove 248 34 click 1; sleep 1; shot menu-help
keys Up Return; shot about
xdotool mousemove 640 400
keys Escape
keys alt+a o; shot options-general
keys ctrl+Tab; shot options-extract
keys Escape
keys alt+k p; shot check
keys Escape
keys ctrl+o; shot open
keys Escape
# Extract all into a folder that is missing: Qt's German question, answered No;
# then into the folder that holds readme.txt already: the overwrite question.
keys ctrl+a ctrl+x; shot extract
keys ctrl+a BackSpace
xdotool type --delay 60 'C:\fehlt'
keys Return; shot question-create-folder
keys alt+n
keys ctrl+a BackSpace
xdotool type --delay 60 'C:\ziel'
keys Return; shot overwrite
keys alt+j; shot extracted
echo "Screenshots in $out"
