#!/bin/sh
# Takes a screenshot of the dialer on a phone-sized virtual screen.
# Usage: screenshot.sh BUILD_DIR WIDTHxHEIGHT DPI OUTPUT.png
# It runs on a virtual X server of its own, in a Wine prefix of its own,
# with a few device values set so that the status bar has something to show.
set -e
tools=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
screen="${2:-240x320}"
dpi="${3:-96}"
output="$(cd "$(dirname "$4")" && pwd)/$(basename "$4")"
. "$tools/wine-env.sh"
export WINEPREFIX="$build/wineprefix-screenshot"

display=:$((90 + $$ % 9))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xserver=$!
export DISPLAY="$display"
trap 'wineserver -k >/dev/null 2>&1; kill $xserver 2>/dev/null' EXIT
sleep 1

boot_wine_prefix
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine reg add 'HKLM\Software\DeviceEmulation' /v ShellStateKeeper /t REG_DWORD /d 0 /f >/dev/null 2>&1
state='HKLM\System\State'
wine reg add "$state\\Phone" /v "Signal Strength Raw" /t REG_DWORD /d 80 /f >/dev/null 2>&1
wine reg add "$state\\Phone" /v "Current Operator Name" /d "Orvendel" /f >/dev/null 2>&1
wine reg add "$state\\Battery" /v Main /t REG_DWORD /d $((76 * 65536)) /f >/dev/null 2>&1
wine reg add "$state\\Hardware" /v Bluetooth /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$state\\Hardware" /v WiFi /t REG_DWORD /d 3 /f >/dev/null 2>&1
wine reg add "$state\\Connections" /v Count /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add 'HKCU\ControlPanel\Notifications\ShellOverrides' /v Mode /t REG_DWORD /d 2 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Orvendel\Zembrik' /v lastDialedNumber /d 4155550123 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Orvendel\Zembrik' /v exitOnMinimize /d 0 /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
boot_wine_prefix

cd "$build/device/Zembrik"
wine explorer "/desktop=Zembrik,$screen" zembrik.exe >/dev/null 2>&1 &
sleep 6
xwd -root -silent | convert xwd:- -crop "${screen}+0+0" +repage "$output"
echo "wrote $output"
