#!/bin/sh
# Installs the Debian packages that building, testing and benchmarking need; silent if all are.
set -eu

packages="
    cmake ninja-build g++ make pkg-config python3 file
    googletest libgtest-dev libgmock-dev
    qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
    xvfb xauth openbox xdotool xclip x11-utils wmctrl imagemagick python3-xcffib python3-psutil
    sway wayvnc wtype grim wl-clipboard qt6-wayland
    binutils-mingw-w64-x86-64 cpp desktop-file-utils appstream dpkg-dev librsvg2-bin
    valgrind lintian gcovr
    g++-mingw-w64-x86-64-win32 nsis icoutils wine wine64 liblnk-utils fonts-wine
"

missing=""
for package in $packages; do
    [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = "install ok installed" ] ||
        missing="$missing $package"
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
