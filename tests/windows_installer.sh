#!/bin/sh
# The Windows setup program and portable zip of make dist, end to end on a
# Wine prefix of this test's own: a quiet install, the installed dialer
# starting its companion and keeping its calls log in the user's application
# data, the unpacked zip keeping its log beside itself, and a quiet uninstall
# that takes away what the install put there and nothing of the user's.
# Runs on the test session's 240x320 Xvfb.
# Usage: windows_installer.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
tools=$(cd "$(dirname "$0")/../tools" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup="$build/dist/zembrik-$version-setup.exe"
zip="$build/dist/zembrik-$version.zip"

mkdir -p "$build/tests"
folder=$(mktemp -d "$build/tests/run-installer.XXXXXX")
export WINEPREFIX="$folder/prefix"
# Wine mirrors the setup's Start-menu shortcut into the desktop's menu and
# icons: into folders of the test's own, never the user's.
. "$(dirname "$0")/private_desktop.sh"
private_desktop "$folder"
. "$tools/wine-env.sh"
. "$(dirname "$0")/dialer_taps.sh"
dialer=""
cleanup() {
    [ -n "$dialer" ] && kill "$dialer" 2>/dev/null
    wineserver -k >/dev/null 2>&1
    timeout 20 wineserver -w >/dev/null 2>&1
    rm -rf "$folder"
}
trap cleanup EXIT

failed=0
check() { # DESCRIPTION COMMAND...: one line per check
    description="$1"
    shift
    if "$@"; then
        printf 'ok: %s\n' "$description"
    else
        printf 'FAILED: %s\n' "$description"
        failed=1
    fi
}
# What reg query prints for a key (and a value's name, or /ve), asked again
# when it printed neither the key nor its own "reg: " refusal: such a run
# never got to ask, as now and then Wine fails to start a process.
reg_answer() {
    for attempt in 1 2 3; do
        answer=$(timeout 30 wine reg query "$@" 2>/dev/null | tr -d '\r')
        case "$answer" in
        *HKEY_* | *"reg: "*) break ;;
        esac
        echo "reg query $* printed no answer (run $attempt)" >&2
    done
    printf '%s\n' "$answer"
}
# The data of a registry value (an empty name: the key's default), as reg
# prints it; empty when it is missing.
value() {
    reg_answer "$1" ${2:+/v} "${2:-/ve}" | sed -n "s/^ *${2:-(Default)} *REG_[A-Z_]* *//p"
}
key_exists() { reg_answer "$1" | grep -q '^HKEY_'; }
no_key() { ! key_exists "$1"; }
same() { [ "$1" = "$2" ]; }
# A dial from the command line: the program ends with code 16 once the
# call is placed.
dials() {
    timeout 30 wine "$1" "$2" >/dev/null 2>&1 </dev/null
    [ $? -eq 16 ]
}
log_holds() { # FILE LINE...: the calls log holds exactly these calls (its time column left out)
    file="$1"
    shift
    [ -f "$file" ] && [ "$(cut -f1,2 "$file")" = "$(printf '%s\t\n' "$@")" ]
}
# Ends every program in the prefix, and starts its server anew.
stop_wine() {
    wineserver -k >/dev/null 2>&1
    timeout 20 wineserver -w >/dev/null 2>&1
    wineserver -p >/dev/null 2>&1
}

if [ ! -f "$setup" ] || [ ! -f "$zip" ]; then
    echo "no $setup or $zip: make dist first"
    exit 1
fi
timeout 120 sh -c ". '$tools/wine-env.sh' && boot_wine_prefix"
# As in the test session: no window manager, so unmanaged windows.
timeout 30 wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1

drive_c="$WINEPREFIX/drive_c"
programs="$drive_c/Program Files/Zembrik"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zembrik.lnk"
settings_shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zembrik Settings.lnk"
installed='C:\Program Files\Zembrik\Zembrik\zembrik.exe'
install_key='HKLM\Software\Orvendel\Zembrik'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zembrik'
urls="$install_key\\Capabilities\\URLAssociations"

check "setup /S ends with success" timeout 60 wine "$setup" /S
for file in Zembrik/zembrik.exe Zembrik/ZembrikSettings.exe Zembrik/default.png Pellomar/Pellomar.exe uninstall.exe; do
    check "installed $file" test -s "$programs/$file"
done
check "Start menu shortcut for all users" test -s "$shortcut"
check "Start menu shortcut Zembrik Settings to the installed settings program" \
    grep -qaF 'C:\Program Files\Zembrik\Zembrik\ZembrikSettings.exe' "$settings_shortcut"
check "install folder recorded" same "$(value "$install_key" InstallFolder)" 'C:\Program Files\Zembrik'
check "uninstall entry named Zembrik $version" \
    same "$(value "$uninstall_key" DisplayName) $(value "$uninstall_key" DisplayVersion)" "Zembrik $version"
check "quiet uninstall command" \
    same "$(value "$uninstall_key" QuietUninstallString)" '"C:\Program Files\Zembrik\uninstall.exe" /S'
check "registered for Default apps" \
    same "$(value 'HKLM\Software\RegisteredApplications' Zembrik)" 'Software\Orvendel\Zembrik\Capabilities'
check "offered for tel: links" same "$(value "$urls" tel)" Zembrik.tel
check "opens a link with the installed dialer" \
    same "$(value 'HKLM\Software\Classes\Zembrik.tel\shell\open\command' '')" "\"$installed\" \"%1\""
check "tel: links left to the user's choice (no HKCR\\tel)" no_key 'HKCR\tel'

# Started from elsewhere, with no number, it finds Pellomar through its own
# folder: the Left key opens the companion's Contacts page.
(cd "$drive_c" && exec timeout 60 wine "$installed") >/dev/null 2>&1 </dev/null &
dialer=$!
check "installed dialer shows its window" window_shows '^Zembrik$'
xdotool mousemove 120 160 key Left
check "its Left key starts the installed Pellomar on Contacts" window_shows '^Contacts - Pellomar$'
# Files in use cannot be replaced: a second quiet setup gives up (code 2).
timeout 60 wine "$setup" /S >/dev/null 2>&1
check "setup refuses while the programs run" same "$?" 2
stop_wine
wait "$dialer"
dialer=""
# The settings program, started by its shortcut, holds the setup back alone.
timeout 60 wine start /unix "$settings_shortcut" >/dev/null 2>&1 </dev/null
check "the Zembrik Settings shortcut starts the settings program" window_shows '^Zembrik Settings$'
timeout 60 wine "$setup" /S >/dev/null 2>&1
check "setup refuses while Zembrik Settings runs" same "$?" 2
stop_wine

check "installed dialer dials 5551234 (exit 16)" dials "$installed" 5551234
set -- "$drive_c"/users/*/AppData/Roaming/Zembrik/calls.log
appdata_log="$1"
check "installed copy logs the call in the user's application data" log_holds "$appdata_log" 5551234
check "installed copy writes nothing in its program folder" test ! -e "$programs/Zembrik/calls.log"

portable="$drive_c/portable"
python3 -m zipfile -e "$zip" "$portable"
check "zip holds the same dialer as the setup" \
    cmp -s "$portable/zembrik-$version/Zembrik/zembrik.exe" "$programs/Zembrik/zembrik.exe"
check "zip holds the same settings program as the setup" \
    cmp -s "$portable/zembrik-$version/Zembrik/ZembrikSettings.exe" "$programs/Zembrik/ZembrikSettings.exe"
check "unpacked zip dials 5550100 (exit 16)" dials "C:\\portable\\zembrik-$version\\Zembrik\\zembrik.exe" 5550100
check "unpacked copy logs the call beside itself" log_holds "$portable/zembrik-$version/Zembrik/calls.log" 5550100
check "and not in the installed copy's log" log_holds "$appdata_log" 5551234

# The quiet uninstall returns at once and goes on from a copy of itself.
check "uninstall /S starts" timeout 60 wine 'C:\Program Files\Zembrik\uninstall.exe' /S
for _ in $(seq 150); do
    [ -e "$programs" ] || break
    sleep 0.2
done
check "program folder removed" test ! -e "$programs"
check "shortcuts removed" test ! -e "$shortcut" -a ! -e "$settings_shortcut"
check "install key and Orvendel removed" no_key 'HKLM\Software\Orvendel'
check "uninstall entry removed" no_key "$uninstall_key"
check "Default apps registration removed" same "$(value 'HKLM\Software\RegisteredApplications' Zembrik)" ""
check "link type removed" no_key 'HKLM\Software\Classes\Zembrik.tel'
check "user's calls log kept" log_holds "$appdata_log" 5551234
check "user's settings kept" key_exists 'HKCU\Software\Orvendel\Zembrik'
exit $failed
