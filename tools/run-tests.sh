#!/bin/sh
# Runs every test under Xvfb on a fresh Wine prefix inside the build folder.
set -e
build=$(cd "${1:-build}" && pwd)
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$build/wineprefix-test"
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    . "$0/wine-env.sh"
    boot_wine_prefix
    # No window manager runs under Xvfb: unmanaged windows spare every
    # window a two-second wait for a manager that never answers.
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    ctest --test-dir "$1" --output-on-failure --timeout 600
    status=$?
    wineserver -k >/dev/null 2>&1
    exit $status' "$(dirname "$0")" "$build"
