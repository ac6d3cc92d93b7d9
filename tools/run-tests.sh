#!/bin/sh
# Runs every test under Xvfb on a fresh Wine prefix inside the build folder,
# in a private network namespace: only a loopback device exists there, the
# callback services' host names resolve to it, and DNS asks loopback too, so
# no test can reach anything outside this machine.
set -e
tools=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
network="$build/test-network"
mkdir -p "$network"
cat > "$network/hosts" <<'HOSTS'
127.0.0.1 localhost www.grandcentral.com mobile.jajah.com api.phone.com
::1 localhost ip6-localhost ipv6only.zembrik.test
::1 dualstack.zembrik.test
127.0.0.1 dualstack.zembrik.test
127.0.0.1 nolistener.zembrik.test
HOSTS
echo "nameserver 127.0.0.1" > "$network/resolv.conf"

. "$tools/wine-env.sh"
export WINEPREFIX="$build/wineprefix-test"
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
export ZEMBRIK_TEST_NETWORK=1
exec unshare -rnm sh -c '
    mount --bind "$1/hosts" /etc/hosts
    [ -e /etc/resolv.conf ] && mount --bind "$1/resolv.conf" /etc/resolv.conf
    ip link set lo up
    exec xvfb-run -a -s "-screen 0 240x320x24" sh "$2/test-session.sh" "$3"' sh "$network" "$tools" "$build"
