#!/bin/sh
# Installs the Debian packages the build and the tests need, when missing.
set -e
packages="cmake make g++ g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest wine wine64 xvfb xauth xdotool x11-apps imagemagick iproute2 pulseaudio pulseaudio-utils xz-utils libgmp10 libmpfr6 zlib1g python3 gcab xdg-utils desktop-file-utils nsis baresip-core g++-arm-linux-gnueabihf qemu-user clang libclang-rt-14-dev"
missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $package" ;;
    esac
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
