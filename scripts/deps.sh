#!/usr/bin/env bash
# Installs the Debian packages the build needs, but only those that are missing,
# so that a machine that has them all never touches the network.
# With "windows": also the cross-compiler and Wine for the Windows build, NSIS
# for its installer, and a virtual display to drive the viewer under Wine.
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev libsqlite3-dev libgtest-dev
          libcli11-dev clang libclang-rt-14-dev clang-format time shared-mime-info xdg-utils
          qt6-svg-dev dpkg-dev file qt6-image-formats-plugins libsquish-dev qt6-translations-l10n
          lintian)
if [[ ${1:-} == windows ]]; then
    packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64 xz-utils nsis
               xvfb xauth xdotool imagemagick)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
