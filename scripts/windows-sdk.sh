#!/usr/bin/env bash
# Unpacks the Windows SDK (Qt 6.4.2 and libsquish for mingw-w64, made from
# Debian's sources) from ../shared/windows into build-windows-sdk/, an ignored
# folder of the checkout, once per tarball.
set -euo pipefail
cd "$(dirname "$0")/.."
tarball=${VANNERBY_SDK_TARBALL:-../shared/windows/vannerby-windows-sdk.tar.xz}
if [[ ! -f $tarball ]]; then
    echo "The Windows SDK is missing: $tarball (see the README's Windows section)." >&2
    exit 1
fi
stamp=build-windows-sdk/.unpacked
want=$(stat -c '%s %Y' "$tarball")
if [[ -f $stamp && $(cat "$stamp") == "$want" && -d build-windows-sdk/sdk ]]; then
    exit 0
fi
rm -rf build-windows-sdk
mkdir -p build-windows-sdk
tar -xJf "$tarball" -C build-windows-sdk
echo "$want" > "$stamp"
