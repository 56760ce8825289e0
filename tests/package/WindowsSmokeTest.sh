#!/usr/bin/env bash
# The installed viewer as a Windows user meets it: installs the package the
# package test made (silently, under Wine), starts the installed vannerby.exe
# with the demo archive on its command line, on a virtual X display with Qt's
# windows platform, and drives it by keyboard: select all, the extract dialog,
# the progress window and the overwrite question for a file already there
# ("Ja"), then closes the window. Checks the files and times against
# vannerby-cli's extraction, the registry keys the viewer leaves, and that a
# language file it may not write stays as it is.
# Skipped (exit 77) only where no X server can be started.
# Usage: WindowsSmokeTest.sh BUILD_DIR VERSION DEMO_ARCHIVE
set -euo pipefail
trap 'echo "FAILED: line $LINENO: $BASH_COMMAND" >&2' ERR
build=$1 version=$2 demo=$3
out=$build/smoke-test
fail() {
    echo "FAILED: $*" >&2
    [[ -n ${DISPLAY:-} ]] && import -window root "$out/failure.png" 2>/dev/null &&
        echo "screen at the failure: $out/failure.png" >&2
    exit 1
}
winpath() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

command -v Xvfb >/dev/null || { echo "SKIPPED: Xvfb is not installed, no X server can be started"; exit 77; }
command -v xdotool >/dev/null || fail "xdotool is missing (scripts/deps.sh windows installs it)"
rm -rf "$out"
mkdir -p "$out"
Xvfb -displayfd 3 -screen 0 1280x800x24 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
export WINEPREFIX=$out/wine WINEDEBUG=-all
cleanup() {
    wineserver --kill 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [[ -s $out/display ]] && break; kill -0 "$xvfb" 2>/dev/null || break; sleep 0.1; done
[[ -s $out/display ]] || { echo "SKIPPED: no X server could be started"; cat "$out/xvfb.log"; exit 77; }
export DISPLAY=:$(cat "$out/display")

# Waits up to 60 s for a visible window whose title matches; prints its id.
window() {
    local id
    for _ in $(seq 120); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.5
    done
    fail "no window \"$1\" appeared"
}
gone() {
    for _ in $(seq 120); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.5
    done
    fail "the window \"$1\" stayed"
}
shot() { import -window root "$out/$1" 2>/dev/null || true; }
keys() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    shift
    sleep 0.5
    xdotool key --delay 150 "$@"
}

setup=$build/package-test/vannerby-$version-setup-x64.exe
[[ -f $setup ]] || fail "no installer: $setup (the package test makes it)"
wineboot --init >/dev/null 2>&1
wineserver --wait
wine "$setup" /S
wineserver --wait
installed='C:\Program Files\Vannerby'

# Below "Program Files" a user cannot write the language file. Made read-only
# here, and one text taken out of it: the viewer works on with its German
# default for that text and leaves the file as it is.
lng="$WINEPREFIX/drive_c/Program Files/Vannerby/vannerby.lng"
awk 'BEGIN { cut = 0 }
     /^\[frmOverwrite\]/ { section = 1 }
     section && !cut && /^Caption=/ { cut = 1; next }
     { print }' "$lng" >"$out/vannerby.lng"
cp "$out/vannerby.lng" "$lng"
wine attrib +r 'C:\Program Files\Vannerby\vannerby.lng' >/dev/null 2>&1 || chmod a-w "$lng"

# What the archive holds, as vannerby-cli extracts it.
drive_c=$WINEPREFIX/drive_c
wine "$installed\\vannerby-cli.exe" extract "$(winpath "$demo")" -C 'C:\reference' >/dev/null ||
    fail "vannerby-cli extract"
# One file is there already, older than the archive's: the viewer asks before replacing it.
mkdir -p "$drive_c/ziel"
echo "alt" >"$drive_c/ziel/readme.txt"
touch -d 2001-01-01 "$drive_c/ziel/readme.txt"

wine "$installed\\vannerby.exe" "$(winpath "$demo")" >"$out/vannerby.log" 2>&1 &
viewer=$!
# The title names the archive: it was opened from the command line.
main=$(window 'Vannerby .* - .*demo\.pak$')
echo "main window: $(xdotool getwindowname "$main")"
sleep 2
shot 1-main.png
keys "$main" ctrl+a ctrl+x
dialog=$(window '^Extrahieren$')
sleep 1
shot 2-extract.png
# The folder box has the keyboard: replace its text with the target.
keys "$dialog" ctrl+a BackSpace
xdotool type --delay 60 'C:\ziel'
xdotool key Return
# Its German title, though the language file lacks it.
question=$(window '^Überschreiben bestätigen$')
sleep 1
shot 3-overwrite.png
keys "$question" alt+j
gone 'berschreiben'
gone '^Extrahieren$'
shot 4-done.png
keys "$main" alt+F4
for _ in $(seq 60); do kill -0 "$viewer" 2>/dev/null || break; sleep 0.5; done
kill -0 "$viewer" 2>/dev/null && fail "the viewer did not end"

cmp -s "$lng" "$out/vannerby.lng" || fail "the read-only language file was changed"

# The same files, bytes and modification times as vannerby-cli's, the old file replaced.
diff -r "$drive_c/reference" "$drive_c/ziel" || fail "the extracted files differ"
while IFS= read -r -d '' file; do
    relative=${file#"$drive_c/reference/"}
    [[ $(stat -c %Y "$file") == $(stat -c %Y "$drive_c/ziel/$relative") ]] ||
        fail "the time of $relative differs"
done < <(find "$drive_c/reference" -type f -print0)

# The keys the viewer leaves: the archive and the folder in the recent lists,
# the window's placement.
settings=$(wine reg query 'HKCU\Software\Brindlecote\Vannerby' /s 2>/dev/null | tr -d '\r')
echo "$settings" >"$out/settings.txt"
grep -qi 'demo\.pak' <<<"$settings" || fail "the archive is not in the recent files: $settings"
grep -qiF 'C:\ziel' <<<"$settings" || fail "the folder is not in the recent folders: $settings"
grep -q 'MainWindow' <<<"$settings" || fail "no window placement: $settings"
echo "the installed vannerby.exe opened the archive, extracted it through the dialogs and left its settings: passed"
