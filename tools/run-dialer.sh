#!/bin/sh
# Starts the dialer inside Wine's virtual desktop, sized like a phone screen.
# Usage: run-dialer.sh BUILD_DIR WIDTHxHEIGHT DPI
set -e
build=$(cd "${1:-build}" && pwd)
screen="${2:-240x320}"
dpi="${3:-96}"
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$build/wineprefix-run"

if [ -z "$DISPLAY" ]; then
    echo "No DISPLAY: starting a virtual X server on :95 (view it with a VNC server or take screenshots)."
    Xvfb :95 -screen 0 1024x768x24 >/dev/null 2>&1 &
    export DISPLAY=:95
    sleep 1
fi

boot_wine_prefix
current=$(wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null | tr -d '\r' | awk '/LogPixels/ {print $3}')
if [ "$current" != "$(printf '0x%x' "$dpi")" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1 || true
    boot_wine_prefix
fi

# Calls go to the desktop's phone app (see docs/phone-on-desktop.md); the
# desktop's choice is only read here: it is the user's to make.
phone_app=$(desktop_phone_app)
calls_handoff_registry "$phone_app" | import_registry
if [ -n "$phone_app" ]; then
    echo "Calls are handed to $phone_app."
else
    echo "No phone app opens tel: links on this desktop: calls are refused (see docs/phone-on-desktop.md)."
fi

cd "$build/device/Zembrik"
exec wine explorer "/desktop=Zembrik,$screen" zembrik.exe
