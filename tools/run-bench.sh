#!/bin/sh
# Runs the benchmarks as the tests run: under Xvfb on a phone-sized screen,
# on a fresh Wine prefix of the build's own, inside the private network
# namespace of the tests. Prints one table; every figure stands beside a
# reference measured in the same run. BENCH_RUNS (default 20) and
# BENCH_IDLE_SECONDS (default 60) set how long it takes; BENCH_MODES picks
# some of "startup exit paint keys dials tones first-tone
# memory idle".
set -e
tools=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
. "$tools/wine-env.sh"
. "$tools/test-network.sh"
export WINEPREFIX="$build/wineprefix-bench"
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
run_in_test_network "$build/bench-network" "$tools/bench-session.sh" "$build"
