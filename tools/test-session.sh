#!/bin/sh
# The inside of a test run: boot the prefix, run CTest, stop Wine.
. "$(dirname "$0")/wine-env.sh"
boot_wine_prefix
# No window manager runs under Xvfb: unmanaged windows spare every window
# a two-second wait for a manager that never answers.
wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
ctest --test-dir "$1" --output-on-failure --timeout 600 $CTEST_ARGS
status=$?
wineserver -k >/dev/null 2>&1
exit $status
