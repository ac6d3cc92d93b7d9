#!/bin/sh
# Makes sure the phone's cross toolchain (arm-mingw32ce: GCC 4.4, binutils,
# the Windows CE runtime and import libraries) is installed at PREFIX.
#   device-toolchain.sh PREFIX
# When it is missing it is unpacked from the prebuilt copy (CEGCC_ARCHIVE)
# or, without one, built from the CeGCC sources (CEGCC_SOURCES) with
# tools/build-cegcc.sh: about 20 minutes on 2 cores. Nothing is downloaded.
set -e
prefix=${1:?usage: device-toolchain.sh PREFIX}
root=$(cd "$(dirname "$0")/.." && pwd)
shared="$root/../shared/cegcc"
archive=${CEGCC_ARCHIVE:-$shared/toolchain-arm-mingw32ce.tar.xz}
sources=${CEGCC_SOURCES:-$shared/sources-cegcc.tar.xz}

works() {
    echo 'int main(void) { return 0; }' >"$1/.check.c"
    "$prefix/bin/arm-mingw32ce-gcc" -o "$1/.check.exe" "$1/.check.c" >/dev/null 2>&1
}

parent=$(dirname "$prefix")
mkdir -p "$parent"
scratch=$(mktemp -d "$parent/.toolchain.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
if [ -x "$prefix/bin/arm-mingw32ce-g++" ] && works "$scratch"; then
    exit 0
fi
if [ -f "$archive" ]; then
    echo "Unpacking the phone's toolchain from $archive"
    tar -xJf "$archive" -C "$scratch"
    rm -rf "$prefix"
    mv "$scratch/arm-mingw32ce" "$prefix"
elif [ -f "$sources" ]; then
    echo "Building the phone's toolchain from $sources (about 20 minutes on 2 cores)"
    "$root/tools/build-cegcc.sh" "$sources" "$prefix" "$scratch/work"
else
    echo "No arm-mingw32ce toolchain at $prefix, no prebuilt copy (CEGCC_ARCHIVE=$archive)" >&2
    echo "and no CeGCC sources (CEGCC_SOURCES=$sources) to build one from." >&2
    exit 1
fi
works "$scratch" || { echo "The toolchain at $prefix does not compile a program" >&2; exit 1; }
