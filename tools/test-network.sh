# Sourced by the test and benchmark scripts. run_in_test_network FOLDER
# SCRIPT BUILD runs "sh SCRIPT BUILD" under Xvfb on a 240x320 screen inside
# a private network namespace: only a loopback device exists there, the
# callback services' host names resolve to it, and DNS asks loopback too, so
# nothing run inside can reach anything outside this machine. FOLDER keeps
# the namespace's hosts and resolver files.
run_in_test_network() {
    mkdir -p "$1"
    cat > "$1/hosts" <<'HOSTS'
127.0.0.1 localhost www.grandcentral.com mobile.jajah.com api.phone.com
::1 localhost ip6-localhost ipv6only.zembrik.test
::1 dualstack.zembrik.test
127.0.0.1 dualstack.zembrik.test
127.0.0.1 nolistener.zembrik.test
HOSTS
    echo "nameserver 127.0.0.1" > "$1/resolv.conf"
    exec unshare -rnm sh -c '
        mount --bind "$1/hosts" /etc/hosts
        [ -e /etc/resolv.conf ] && mount --bind "$1/resolv.conf" /etc/resolv.conf
        ip link set lo up
        exec xvfb-run -a -s "-screen 0 240x320x24" sh "$2" "$3"' sh "$1" "$2" "$3"
}
