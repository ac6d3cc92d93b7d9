#!/bin/sh
# The key tones through a real sound path: a PulseAudio server with a null
# sink stands in for the sound card, Wine's own audio driver (winepulse) plays
# into it, and the sink's monitor is recorded while the key 5 is held on the
# running zembrik.exe with real X input. The recording must hold 770 and
# 1336 Hz and no other DTMF frequency while the key is down, and silence
# after it comes up. Runs on the test session's Xvfb and Wine prefix.
# Usage: held_key_tone.sh BUILD_DIR SOURCE_DIR
set -u
build="$1"
source="$2"
rate=22050
hold_seconds=1.5
folder=$(mktemp -d "$build/tests/run-sound.XXXXXX")
pulse=""
recorder=""
dialer=""
cleanup() {
    for pid in $dialer $recorder $pulse; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$folder"
}
trap cleanup EXIT

g++ -O2 -std=c++20 -o "$folder/dtmf_check" "$source/tests/sound/dtmf_check.cpp" || exit 1

. "$source/tools/private-pulse.sh"
start_private_pulse "$folder" || { echo "PulseAudio did not start"; cat "$folder/pulse.log"; exit 1; }
pulse=$pulse_pid

cp "$build/zembrik.exe" "$build/default.png" "$folder/"
wine reg delete 'HKCU\Software\Orvendel\Zembrik' /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Orvendel\Zembrik' /v exitOnMinimize /d 0 /f >/dev/null 2>&1
wine reg delete 'HKLM\Software\DeviceEmulation' /v SilentWaveOut /f >/dev/null 2>&1
(cd "$folder" && exec wine zembrik.exe) >/dev/null 2>&1 &
dialer=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Zembrik$' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "the dialer's window did not appear"; exit 1; }
sleep 0.5
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"

parec -d phone.monitor --format=s16le --rate=$rate --channels=1 --latency-msec=20 > "$folder/recording.raw" &
recorder=$!
# Silence before the key, once the recorder delivers.
for _ in $(seq 100); do
    [ -s "$folder/recording.raw" ] && break
    sleep 0.05
done
sleep 0.5
xdotool keydown 5
sleep $hold_seconds
xdotool keyup 5
sleep 1
kill $recorder
wait $recorder 2>/dev/null
recorder=""
# The whole hold, less what the output may lag or lead.
"$folder/dtmf_check" "$folder/recording.raw" $rate 770 1336 1200
