#!/bin/sh
# Runs the benchmarks as the tests run: under Xvfb on a phone-sized screen,
# on a fresh Wine prefix of the build's own, inside a private network
# namespace where the callback services' host names resolve to loopback.
# Prints one table; every figure stands beside a reference measured in the
# same run. BENCH_RUNS (default 20) and BENCH_IDLE_SECONDS (default 60)
# set how long it takes.
set -e
tools=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
network="$build/bench-network"
mkdir -p "$network"
cat > "$network/hosts" <<'HOSTS'
127.0.0.1 localhost www.grandcentral.com mobile.jajah.com api.phone.com
HOSTS
echo "nameserver 127.0.0.1" > "$network/resolv.conf"

. "$tools/wine-env.sh"
export WINEPREFIX="$build/wineprefix-bench"
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
exec unshare -rnm sh -c '
    mount --bind "$1/hosts" /etc/hosts
    [ -e /etc/resolv.conf ] && mount --bind "$1/resolv.conf" /etc/resolv.conf
    ip link set lo up
    exec xvfb-run -a -s "-screen 0 240x320x24" sh "$2/bench-session.sh" "$3"' sh "$network" "$tools" "$build"
