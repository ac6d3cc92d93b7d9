#!/bin/sh
# The key tones through a real sound path: a PulseAudio server with a null
# sink stands in for the sound card, Wine's own audio driver (winepulse) plays
# into it, and the sink's monitor is recorded while the key 5 is held on the
# running zembrik.exe with real X input. The recording must hold 770 and
# 1336 Hz and no other DTMF frequency while the key is down, end within
# 50 ms of the key-up, and be silent after. Each piece of the recording is
# timed as it arrives, so its samples can be set against the key-up's moment.
# Runs on the test session's Xvfb and Wine prefix.
# Usage: held_key_tone.sh BUILD_DIR SOURCE_DIR NATIVE_BUILD_DIR
set -u
build="$1"
source="$2"
native="$3"
rate=22050
hold_seconds=1.5
max_end_lag_ms=50
folder=$(mktemp -d "$build/tests/run-sound.XXXXXX")
pulse=""
recorder=""
timer=""
dialer=""
cleanup() {
    for pid in $dialer $recorder $timer $pulse; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$folder"
}
trap cleanup EXIT


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

# parec feeds the timer through a pipe of their own, so that stopping parec
# ends the timer's input and it closes its files.
mkfifo "$folder/pcm"
"$native/timed_record" "$folder/recording.raw" "$folder/recording.times" < "$folder/pcm" &
timer=$!
parec -d phone.monitor --format=s16le --rate=$rate --channels=1 --latency-msec=20 > "$folder/pcm" &
recorder=$!
# Silence before the key, once the recorder delivers.
for _ in $(seq 100); do
    [ -s "$folder/recording.raw" ] && break
    sleep 0.05
done
sleep 0.5
xdotool keydown 5
sleep $hold_seconds
# The key-up reaches the X server between these two moments (no delay
# after it, which xdotool otherwise adds).
key_up_sent=$(date +%s%N)
xdotool keyup --delay 0 5
key_up_done=$(date +%s%N)
sleep 1
kill $recorder
wait $recorder 2>/dev/null
recorder=""
wait $timer
timer=""
# The whole hold, less what the output may lag or lead.
"$native/dtmf_check" "$folder/recording.raw" "$folder/recording.times" $rate 770 1336 1200 \
    "$key_up_sent" "$key_up_done" $max_end_lag_ms
