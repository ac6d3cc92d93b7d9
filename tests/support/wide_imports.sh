#!/bin/sh
# Fails when the text logic's ARM test program takes a wide-character
# function from the C or C++ library: built with a 2-byte wchar_t, it must
# use the 2-byte definitions of tests/support/short_wchar.c and its own
# instantiations of std::wstring, never the libraries' 4-byte ones.
# Usage: wide_imports.sh NM EXECUTABLE
nm="$1"
exe="$2"
imports=$("$nm" -D --undefined-only "$exe" | awk '{ print $NF }' | sed 's/@.*//')
[ -n "$imports" ] || { echo "wide_imports.sh: no imports read from $exe"; exit 1; }
wide=$( (echo "$imports" | grep -E '(^|_)(wc|wmem|mb|btowc|tow|isw|fwide|ungetwc|f?(get|put)w)|w(printf|scanf)'
         "$nm" -D -C --undefined-only "$exe" | grep 'wchar_t') || true)
if [ -n "$wide" ]; then
    echo "$exe takes wide-character functions that count in 4-byte units from the libraries:"
    echo "$wide"
    echo "define them in tests/support/short_wchar.c, or keep the tests off them"
    exit 1
fi
