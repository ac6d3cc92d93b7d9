# Real X input to the dialer's window on the test session's 240x320 Xvfb,
# and the wait for a window to show, for the scripts that source this file.

# window_shows NAME: waits at most 20 s for a visible X window whose name
# matches; false if none shows.
window_shows() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

# Waits at most 20 s for the dialer's window to show; false if it does not.
wait_for_dialer() {
    window_shows '^Zembrik$'
}

# tap X Y: a pen tap on the window, then time for the dialer to handle it.
# Key centres of the layout without a tab strip: 1 2 3 at y 82 and 4 5 6 at
# y 134, x 40, 120 and 200; Call at 120 292.
tap() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.2
}
