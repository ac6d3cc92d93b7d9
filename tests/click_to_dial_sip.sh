#!/bin/bash
# A click-to-dial call end to end between two real SIP phones (baresip): the
# dialer's Call sends its GET to the "desk phone"'s web interface, the desk
# phone calls the "callee" on loopback, and the callee answers on its own.
# The number is tapped with real X input. Runs on the test session's 240x320
# Xvfb and Wine prefix, inside its loopback-only network namespace.
# bash for $EPOCHREALTIME: each log line is stamped as it arrives without a
# process per line, so the stamps keep up with SIP traces.
# Usage: click_to_dial_sip.sh BUILD_DIR
[ -n "${BASH_VERSION:-}" ] || exec bash "$0" "$@"
set -u
build="$1"
number=5551234
# The desk phone's web interface; 8000 is free in the test namespace.
http_port=8000
desk_sip=5060
callee_sip=5070

# baresip listens and sends on loopback only, but it must never run where
# anything else could be reached.
if ip -o link show | awk -F': ' '{print $2}' | grep -qvx lo; then
    echo "not inside a loopback-only network namespace (run it through make test): skipped"
    exit 77
fi
if ! command -v baresip >/dev/null 2>&1; then
    echo "baresip is not installed (tools/install-deps.sh installs baresip-core)"
    exit 1
fi
if (exec 3<>"/dev/tcp/127.0.0.1/$http_port") 2>/dev/null; then
    echo "port $http_port is taken before the desk phone started"
    exit 1
fi

folder=$(mktemp -d "$build/tests/run-sip.XXXXXX")
key='HKCU\Software\Orvendel\Zembrik'
pids=""
cleanup() {
    for pid in $pids; do
        kill "$pid" 2>/dev/null
    done
    for pid in $pids; do
        wait "$pid" 2>/dev/null
    done
    # The tests after this one dial with the settings they set, not these.
    wine reg delete "$key" /f >/dev/null 2>&1
    rm -rf "$folder"
}
trap cleanup EXIT

# Each line of standard input, prefixed with the time it arrived (ns). Only
# what follows the last carriage return is kept: in a call baresip redraws a
# status line with carriage returns alone, and the next line would start with
# those redraws; SIP trace lines end in one.
stamp() {
    local line
    while IFS= read -r line; do
        line=${line%$'\r'}
        printf '%s %s\n' "${EPOCHREALTIME//[!0-9]/}000" "${line##*$'\r'}"
    done
}

# phone NAME ARGS...: baresip on the configuration folder NAME, its output
# stamped into NAME.log. Bounded by -t and killed by the trap in any case.
phone() {
    local name="$1"
    shift
    mkfifo "$folder/$name.pipe"
    stamp <"$folder/$name.pipe" >"$folder/$name.log" &
    pids="$pids $!"
    baresip -f "$folder/$name" -t 120 "$@" >"$folder/$name.pipe" 2>&1 </dev/null &
    pids="$pids $!"
}

# Lines of a log without the stamps.
text() {
    cut -d' ' -f2- "$folder/$1.log"
}

# The stamp of the first line of log $1 that holds the text $2, if any.
first_stamp() {
    grep -F -m1 -- "$2" "$folder/$1.log" | cut -d' ' -f1
}

# Shows what the phones logged, then fails with the message $1.
fail() {
    echo "$1"
    for name in desk callee; do
        echo "--- $name phone:"
        text "$name" | sed 's/\x1b\[[0-9;]*m//g' | tail -n 40
    done
    exit 1
}

# The desk phone: driven through its web interface (httpd), a tone as its
# microphone (ausine refuses any rate but 48 kHz stereo), no sound card, no
# terminal (stdio.so is left out) and no registrar.
mkdir "$folder/desk" "$folder/callee"
cat >"$folder/desk/config" <<EOF
net_interface 127.0.0.1
sip_listen 127.0.0.1:$desk_sip
module_path /usr/lib/baresip/modules
module account.so
module menu.so
module g711.so
module ausine.so
module httpd.so
http_listen 127.0.0.1:$http_port
audio_source ausine,440
ausrc_srate 48000
ausrc_channels 2
EOF
echo '<sip:desk@127.0.0.1>;regint=0' >"$folder/desk/accounts"
# The callee: its only account's user is the dialled number, so a call to any
# other number gets 404 "UA not found"; it answers by itself.
sed -e "s/:$desk_sip\$/:$callee_sip/" -e '/httpd\|http_listen/d' "$folder/desk/config" >"$folder/callee/config"
echo "<sip:$number@127.0.0.1>;answermode=auto;regint=0" >"$folder/callee/accounts"

phone desk
# The callee prints its SIP trace (-s): the INVITE's request line names the
# number exactly as it was called.
phone callee -s
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$http_port") 2>/dev/null && break
    sleep 0.1
done
(exec 3<>"/dev/tcp/127.0.0.1/$http_port") 2>/dev/null || fail "the desk phone's web interface did not answer on port $http_port"
callee_ready() {
    ss -lun "sport = :$callee_sip" | grep -q "127.0.0.1:$callee_sip" && grep -q 'baresip is ready' "$folder/callee.log"
}
for _ in $(seq 100); do
    callee_ready && break
    sleep 0.1
done
callee_ready || fail "the callee did not start listening on port $callee_sip"

cp "$build/zembrik.exe" "$build/default.png" "$folder/"
url="http://127.0.0.1:$http_port/?d%20sip%3A{number}%40127.0.0.1%3A$callee_sip"
wine reg delete "$key" /f >/dev/null 2>&1
wine reg add "$key" /v exitOnMinimize /d 0 /f >/dev/null 2>&1
wine reg add "$key" /v service1type /d clicktodial /f >/dev/null 2>&1
wine reg add "$key" /v service1title /d "Desk phone" /f >/dev/null 2>&1
wine reg add "$key" /v service1url /d "$url" /f >/dev/null 2>&1
# query VALUE: the value's data as the registry holds it.
query() {
    wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"
}
stored=$(query service1url)
[ "$stored" = "$url" ] || fail "the registry holds the URL as '$stored', not '$url'"

(cd "$folder" && exec wine zembrik.exe) >/dev/null 2>&1 </dev/null &
pids="$pids $!"
. "$(dirname "$0")/dialer_taps.sh"
wait_for_dialer || fail "the dialer's window did not appear"
sleep 0.5

tap 120 134; tap 120 134; tap 120 134   # 5 5 5
tap 40 82; tap 120 82; tap 200 82       # 1 2 3
tap 40 134                              # 4
# The time just before the Call tap: the figures include xdotool's own start.
tapped=$(date +%s%N)
tap 120 292                             # call

# The callee rings when the INVITE arrives: a wrong number arrives too, and
# is then refused.
for _ in $(seq 200); do
    grep -aq -e '^[0-9]* INVITE sip:' -e 'UA not found' "$folder/callee.log" && break
    sleep 0.1
done
invite=$(text callee | grep -a '^INVITE sip:' | head -n 1)
[ -n "$invite" ] || fail "no call reached the callee within 20 s of the Call tap"
[ "$invite" = "INVITE sip:$number@127.0.0.1:$callee_sip SIP/2.0" ] ||
    fail "the callee was called with '$invite', not sip:$number@127.0.0.1:$callee_sip"
for _ in $(seq 200); do
    grep -aq -e 'Call established' -e 'UA not found' -e 'session closed' "$folder/callee.log" && break
    sleep 0.1
done
established="$number@127.0.0.1: Call established: sip:desk@127.0.0.1"
grep -aqF "$established" "$folder/callee.log" ||
    fail "the callee did not answer the call from the desk phone within 20 s"

# One tap, one request, one call, to the number as tapped.
calls=$(text desk | grep -ac "^call: connecting to ")
[ "$calls" -eq 1 ] || fail "the desk phone placed $calls calls, not one"
text desk | grep -aqxF "call: connecting to 'sip:$number@127.0.0.1:$callee_sip'.." ||
    fail "the desk phone did not call sip:$number@127.0.0.1:$callee_sip"
grep -aqF "desk@127.0.0.1: Call established: sip:$number@127.0.0.1:$callee_sip" "$folder/desk.log" ||
    fail "the desk phone does not show the call established"

# The dialer counts the 2xx as success: the number is kept as the last one.
for _ in $(seq 50); do
    last=$(query lastDialedNumber)
    [ "$last" = "$number" ] && break
    sleep 0.2
done
[ "$last" = "$number" ] || fail "lastDialedNumber is '$last', not $number"
windows=$(xdotool search --onlyvisible --name '^Zembrik$' 2>/dev/null | wc -l)
[ "$windows" -eq 1 ] || fail "$windows windows named Zembrik are shown (a message box?), not the dialer's alone"

ms() {
    echo $((($1 - tapped) / 1000000))
}
echo "tapped $number and Call: the desk phone called sip:$number@127.0.0.1:$callee_sip and the callee answered"
echo "Call tap to the desk phone dialling: $(ms "$(first_stamp desk 'call: connecting to ')") ms"
echo "Call tap to the callee ringing (INVITE in): $(ms "$(first_stamp callee "$invite")") ms"
echo "Call tap to the call established at the callee: $(ms "$(first_stamp callee "$established")") ms"
exit 0
