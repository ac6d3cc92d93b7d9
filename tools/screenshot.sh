#!/bin/sh
# Takes a screenshot of the dialer, or of the settings program, on a
# phone-sized virtual screen.
# Usage: screenshot.sh BUILD_DIR WIDTHxHEIGHT DPI OUTPUT.png [PROGRAM.exe]
# PROGRAM is zembrik.exe (the default) or ZembrikSettings.exe.
# It runs on a virtual X server of its own, in a Wine prefix of its own,
# with a few device values set so that the status bar has something to show
# and, for the settings program, two services so that its form has
# something to show.
set -e
tools=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
screen="${2:-240x320}"
dpi="${3:-96}"
output="$(cd "$(dirname "$4")" && pwd)/$(basename "$4")"
program="${5:-zembrik.exe}"
if [ ! -f "$build/device/Zembrik/$program" ]; then
    echo "screenshot.sh: no $build/device/Zembrik/$program" >&2
    exit 1
fi
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
# A cell phone and a desk phone dialed through its web page, the desk phone
# selected: set for the settings program and taken away again for the
# dialer, whose pictures show the default service, as the two share this
# prefix and it is kept from one run to the next.
case "$program" in
    ZembrikSettings.exe)
        import_registry <<'EOF'
[HKEY_CURRENT_USER\Software\Orvendel\Zembrik]
"service1type"="phone"
"service1title"="Cell"
"service2type"="clicktodial"
"service2title"="Desk phone"
"service2url"="http://192.168.1.20/servlet?number={number}"
"service"="1"
EOF
        ;;
    *)
        import_registry <<'EOF'
[HKEY_CURRENT_USER\Software\Orvendel\Zembrik]
"service1type"=-
"service1title"=-
"service2type"=-
"service2title"=-
"service2url"=-
"service"=-
EOF
        ;;
esac
wineserver -k >/dev/null 2>&1 || true
boot_wine_prefix

cd "$build/device/Zembrik"
wine explorer "/desktop=Zembrik,$screen" "$program" >/dev/null 2>&1 &
sleep 6
xwd -root -silent | convert xwd:- -crop "${screen}+0+0" +repage "$output"
echo "wrote $output"
