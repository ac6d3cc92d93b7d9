# Sourced by the run and test scripts: a Wine prefix of the build's own,
# never the user's ~/.wine, with Wine's own chatter silenced.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

boot_wine_prefix() {
    # A persistent server and a booted prefix before anything else starts;
    # otherwise Wine's background services inherit the callers' pipes.
    wineserver -p >/dev/null 2>&1 || true
    wine wineboot -i >/dev/null 2>&1 </dev/null || true
}
