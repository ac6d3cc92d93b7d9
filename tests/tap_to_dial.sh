#!/bin/sh
# Real X input: taps typed into a running zembrik.exe with xdotool, then the
# call key; the dial must end in calls.log. Runs on the test session's
# 240x320 Xvfb and Wine prefix.
# Usage: tap_to_dial.sh BUILD_DIR
set -u
build="$1"
folder=$(mktemp -d "$build/tests/run-taps.XXXXXX")
trap 'kill $dialer 2>/dev/null; rm -rf "$folder"' EXIT
cp "$build/zembrik.exe" "$build/default.png" "$folder/"
key='HKCU\Software\Orvendel\Zembrik'
wine reg delete "$key" /f >/dev/null 2>&1
wine reg add "$key" /v exitOnMinimize /d 0 /f >/dev/null 2>&1

(cd "$folder" && exec wine zembrik.exe) &
dialer=$!
. "$(dirname "$0")/dialer_taps.sh"
wait_for_dialer || { echo "FAIL: the dialer's window did not appear"; exit 1; }
sleep 0.5

tap 120 134; tap 120 134; tap 120 134   # 5 5 5
tap 40 82; tap 120 82; tap 200 82       # 1 2 3
tap 40 134                              # 4
tap 120 292                             # call

for _ in $(seq 50); do
    [ -s "$folder/calls.log" ] && break
    sleep 0.2
done
expected=$(printf '5551234\t')
# The number and name, without the time column.
actual=$(cut -f1,2 "$folder/calls.log" 2>/dev/null)
if [ "$actual" = "$expected" ]; then
    echo "tapped 5551234 and the call went out"
    exit 0
fi
echo "calls.log holds '$actual', expected '$expected'"
exit 1
