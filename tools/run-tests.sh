#!/bin/sh
# Runs every test under Xvfb on a fresh Wine prefix inside the build folder,
# in the private network namespace of tools/test-network.sh, so that no test
# can reach anything outside this machine.
set -e
tools=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
. "$tools/wine-env.sh"
. "$tools/test-network.sh"
export WINEPREFIX="$build/wineprefix-test"
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
export ZEMBRIK_TEST_NETWORK=1
run_in_test_network "$build/test-network" "$tools/test-session.sh" "$build"
