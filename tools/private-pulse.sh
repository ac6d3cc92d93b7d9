# Sourced by the sound test and the benchmarks: a private PulseAudio server
# with a null sink named "phone" stands in for a sound card. Its own runtime
# folder and socket, nothing else to reach, alive however long it idles.
#   start_private_pulse FOLDER   exports the client's environment, sets
#                                pulse_pid; fails if the server did not start
start_private_pulse() {
    export HOME="$1" PULSE_RUNTIME_PATH="$1/pulse" XDG_RUNTIME_DIR="$1/pulse"
    mkdir -p "$PULSE_RUNTIME_PATH"
    export PULSE_SERVER="unix:$1/pulse/native"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=file:"$1/pulse.log" \
        -L "module-native-protocol-unix socket=$1/pulse/native auth-anonymous=1" \
        -L "module-null-sink sink_name=phone" &
    pulse_pid=$!
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    pactl info >/dev/null 2>&1
}
