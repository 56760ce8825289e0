#!/usr/bin/env bash
# The Windows download, made by cpack in the windows build: the ZIP holds exactly
# the files a Windows user needs, and every DLL the programs and plugins load is
# in it or is Windows' own; the installer installs silently (/S) under Wine below
# "Program Files" with a start-menu entry and an uninstall entry, the installed
# programs run, and the silent uninstall removes them and keeps the user's
# settings. Leaves the packages in build-windows/package-test for the smoke test.
# Usage: WindowsPackageTest.sh BUILD_DIR VERSION [LINUX_LANGUAGE_FILE]
set -euo pipefail
trap 'echo "FAILED: line $LINENO: $BASH_COMMAND" >&2' ERR
build=$1 version=$2 linux_lng=${3:-}
out=$build/package-test
fail() { echo "FAILED: $*" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack --config CPackConfig.cmake -B "$out" >"$out/cpack.log" 2>&1) ||
    { cat "$out/cpack.log"; fail "cpack"; }
zip=$out/vannerby-$version-windows-x64.zip
setup=$out/vannerby-$version-setup-x64.exe
[[ -f $zip ]] || fail "no $zip"
[[ -f $setup ]] || fail "no $setup"
echo "made $(basename "$zip") ($(stat -c %s "$zip") bytes), $(basename "$setup") ($(stat -c %s "$setup") bytes)"

# The ZIP: one folder, exactly these files.
top=vannerby-$version-windows-x64
expected="Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll README.txt imageformats/qgif.dll
imageformats/qico.dll imageformats/qjpeg.dll libgcc_s_seh-1.dll libstdc++-6.dll
libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll
translations/qtbase_de.qm vannerby-cli.exe vannerby-pictures.dll vannerby.en.lng vannerby.exe
vannerby.lng"
listed=$(cd "$out" && cmake -E tar tf "$zip" | grep -v '/$' | sed "s|^$top/||" | sort)
want=$(echo $expected | tr ' ' '\n' | sort)
[[ $listed == "$want" ]] || fail "the ZIP holds:"$'\n'"$listed"$'\n'"expected:"$'\n'"$want"
mkdir "$out/zip"
(cd "$out/zip" && cmake -E tar xf "$zip")
root=$out/zip/$top

# Every import is shipped or is Windows' own (a DLL Wine provides, or an API set);
# every DLL shipped beside the programs is imported by one of them (but the
# picture library, which vannerby-cli.exe loads only to convert).
wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
imported=""
while IFS= read -r -d '' binary; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | awk '/DLL Name:/ {print $3}'); do
        lower=${dll,,}
        imported+=" $lower"
        if [[ -n $(find "$root" -maxdepth 1 -iname "$dll") ]]; then continue; fi
        [[ $lower == api-ms-win-* || -f $wine_dlls/$lower ]] ||
            fail "$(basename "$binary") needs $dll, which is neither shipped nor Windows' own"
    done
done < <(find "$root" -iname '*.exe' -print0 -o -iname '*.dll' -print0)
for dll in "$root"/*.dll; do
    name=$(basename "$dll")
    [[ $name == vannerby-pictures.dll ]] && continue
    [[ " $imported " == *" ${name,,} "* ]] || fail "$name is shipped but nothing loads it"
done
x86_64-w64-mingw32-objdump -p "$root/vannerby-cli.exe" | grep -qi 'DLL Name: Qt6\|DLL Name: lib' &&
    fail "vannerby-cli.exe should need no DLL beside it"

# The language file is the complete one the program wrote, the same as Linux's,
# in Windows-1252 with CRLF line ends; README.txt is German, for Windows' editor.
cmp -s "$root/vannerby.lng" "$build/bin/vannerby.lng" || fail "vannerby.lng differs from the build's"
if [[ -n $linux_lng && -f $linux_lng ]]; then
    cmp -s "$root/vannerby.lng" "$linux_lng" || fail "vannerby.lng differs from the Linux build's"
fi
grep -q $'^\\[frmOptions\\]\r$' "$root/vannerby.lng" || fail "vannerby.lng has no [frmOptions] section"
grep -q $'Gr\xf6\xdfe' "$root/vannerby.lng" || fail "vannerby.lng is not Windows-1252"
head -c 3 "$root/README.txt" | cmp -s - <(printf '\xef\xbb\xbf') || fail "README.txt has no BOM"
grep -q $'Erste Schritte\r$' "$root/README.txt" || fail "README.txt is not the German one with CRLF"

# The installer, silently, in a throw-away Wine prefix.
export WINEPREFIX=$out/wine WINEDEBUG=-all
wineboot --init >/dev/null 2>&1
wineserver --wait
wine "$setup" /S
wineserver --wait
installed=$WINEPREFIX/drive_c/Program\ Files/Vannerby
for file in vannerby.exe vannerby-cli.exe vannerby.lng Qt6Widgets.dll platforms/qwindows.dll \
            translations/qtbase_de.qm README.txt Uninstall.exe; do
    [[ -f $installed/$file ]] || fail "not installed: $file"
done
cmp -s "$installed/vannerby.lng" "$root/vannerby.lng" || fail "the installed language file differs"
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vannerby
[[ -f $menu/Vannerby.lnk ]] || fail "no start-menu entry in $menu"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vannerby-Setup' \
    /v UninstallString >/dev/null 2>&1 || fail "no uninstall entry"

# The installed programs run from there.
wine "$installed/vannerby-cli.exe" --version | tr -d '\r' | grep -qx "vannerby-cli $version" ||
    fail "the installed vannerby-cli.exe does not run"
wine "$installed/vannerby.exe" --version | tr -d '\r' | grep -qx "vannerby $version" ||
    fail "the installed vannerby.exe does not run"
# The installed vannerby-cli.exe finds its picture library and Qt's DLLs beside it.
demo="Z:$(tr / '\\' <<<"$build/demo/demo.pak")"
wine "$installed/vannerby-cli.exe" extract --convert png -C 'C:\converted' "$demo" \
    '*.dds' >"$out/convert.log" 2>&1 || { cat "$out/convert.log"; fail "--convert png"; }
converted=$WINEPREFIX/drive_c/converted/texturen
head -c 8 "$converted/wand.png" | cmp -s - <(printf '\x89PNG\r\n\x1a\n') ||
    fail "the installed vannerby-cli.exe wrote no PNG"
[[ ! -e $converted/wand.dds ]] || fail "the texture stayed beside its PNG"

# The silent uninstall takes the program and keeps the user's settings.
wine reg add 'HKCU\Software\Brindlecote\Vannerby\Settings' /v Probe /d kept /f >/dev/null 2>&1
wine "$installed/Uninstall.exe" /S
wineserver --wait
for _ in $(seq 50); do [[ -f $installed/vannerby.exe ]] || break; sleep 0.2; done
[[ ! -f $installed/vannerby.exe ]] || fail "the uninstaller left vannerby.exe"
[[ ! -d $menu ]] || fail "the uninstaller left the start-menu entry"
wine reg query 'HKCU\Software\Brindlecote\Vannerby\Settings' /v Probe 2>/dev/null | grep -q kept ||
    fail "the silent uninstall removed the user's settings"
wineserver --kill 2>/dev/null || true
echo "ZIP, installer, silent install and uninstall: passed"
