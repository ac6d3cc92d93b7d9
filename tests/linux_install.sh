#!/bin/sh
# Zembrik installed as a user installs it: make install staged under a
# DESTDIR and into ~/.local, the desktop entry validated, the dialer made the
# handler of tel: links and opened by the real xdg-open, calls placed from
# its keypad, and make uninstall. It all happens in a home and XDG folders
# that this test makes, never the user's; the launcher's Wine prefix is the
# one it makes there at its first start. Runs on the test session's 240x320
# Xvfb.
# Usage: linux_install.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
folder=$(mktemp -d "$build/tests/run-install.XXXXXX")
. "$source/tests/private_desktop.sh"
private_desktop "$folder"
# No xdg tool may run on the user's own desktop settings.
case "$XDG_CONFIG_HOME" in
    "$folder"/*) ;;
    *) echo "XDG_CONFIG_HOME is not the test's own: $XDG_CONFIG_HOME"; exit 1 ;;
esac
user_prefix="$XDG_DATA_HOME/zembrik"
cleanup() {
    WINEPREFIX="$user_prefix" wineserver -k >/dev/null 2>&1
    rm -rf "$folder"
}
trap cleanup EXIT

failed=0
# check WHAT COMMAND...: runs the command and says whether WHAT holds.
check() {
    what="$1"
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failed=1
    fi
}
# Installs or uninstalls from the build that the test session runs on (-o:
# the build is not remade under the running tests).
installer() {
    make -s --no-print-directory -o build -C "$source" "$@" BUILD="$build" >"$folder/make.log" 2>&1 ||
        { cat "$folder/make.log"; return 1; }
}
# no_files_under FOLDER [FIND TESTS]
no_files_under() {
    [ -z "$(find "$@" -type f 2>/dev/null)" ]
}
test_not() {
    ! "$@"
}
in_user_wine() {
    WINEPREFIX="$user_prefix" wine "$@" >/dev/null 2>&1 </dev/null
}
# pixel_is X Y white|green: what the X screen shows at (X, Y).
pixel_is() {
    rgb=$(import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | sed -n 's/^0,0: (\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
    set -- $rgb "$3"
    [ $# -eq 4 ] || return 1
    case "$4" in
        white) [ "$1" -gt 200 ] && [ "$2" -gt 200 ] && [ "$3" -gt 200 ] ;;
        green) [ "$2" -gt $(($1 + 40)) ] && [ "$2" -gt $(($3 + 40)) ] ;;
    esac
}
wait_for() {
    tries=$1
    shift
    while [ "$tries" -gt 0 ]; do
        "$@" && return 0
        tries=$((tries - 1))
        sleep 0.5
    done
    return 1
}
calls_log() { # the number and name of each call, without the time column
    cut -f1,2 "$user_prefix"/drive_c/users/*/AppData/Roaming/Zembrik/calls.log 2>/dev/null
}
calls_log_is() {
    [ "$(calls_log)" = "$1" ]
}
names_nothing_of() {
    ! grep -rq "$1" "$2"
}
validates() {
    [ -z "$(desktop-file-validate "$1" 2>&1)" ]
}
tel_links_registered() {
    WINEPREFIX="$user_prefix" wine reg query 'HKCR\tel' >/dev/null 2>&1
}

# A package staged under DESTDIR: the files below it, naming PREFIX.
stage="$folder/stage"
check "make install stages below DESTDIR" installer install PREFIX=/usr DESTDIR="$stage"
for file in bin/zembrik lib/zembrik/wine-env.sh lib/zembrik/Zembrik/zembrik.exe lib/zembrik/Zembrik/default.png \
    lib/zembrik/Zembrik/ZembrikSettings.exe lib/zembrik/Pellomar/Pellomar.exe share/applications/zembrik.desktop \
    share/applications/zembrik-settings.desktop share/icons/hicolor/48x48/apps/zembrik.png; do
    check "$file is installed" test -s "$stage/usr/$file"
done
check "the launcher runs" test -x "$stage/usr/bin/zembrik"
check "the launcher names the installed programs" grep -qx "lib='/usr/lib/zembrik'" "$stage/usr/bin/zembrik"
check "the desktop entry starts the launcher with the link" \
    grep -qx 'Exec=/usr/bin/zembrik %u' "$stage/usr/share/applications/zembrik.desktop"
check "nothing installed names the staging folder" names_nothing_of "$stage" "$stage"
check "the desktop entry is valid" validates "$stage/usr/share/applications/zembrik.desktop"
settings_entry="$stage/usr/share/applications/zembrik-settings.desktop"
check "the settings entry is valid" validates "$settings_entry"
check "the settings entry is Zembrik Settings, run by zembrik --settings" test "$(grep -E '^(Name|Exec)=' \
    "$settings_entry" | tr '\n' '|')" = 'Name=Zembrik Settings|Exec=/usr/bin/zembrik --settings|'
check "the desktop entry offers Zembrik for phone links" \
    grep -qx 'MimeType=x-scheme-handler/tel;x-scheme-handler/callto;' "$stage/usr/share/applications/zembrik.desktop"
check "the desktop entry is in the Telephony category" grep -q '^Categories=.*Telephony;' \
    "$stage/usr/share/applications/zembrik.desktop"
check "make uninstall removes every staged file" installer uninstall PREFIX=/usr DESTDIR="$stage"
check "no staged file is left" no_files_under "$stage"

# The user's own install, made the phone-link handler as the README says.
prefix="$HOME/.local"
check "make install into ~/.local" installer install PREFIX="$prefix"
# --help and --version are the launcher's own: the dialer would take them
# for numbers, and no Wine starts for them.
answers() {
    "$prefix/bin/zembrik" "$1" >"$folder/answer" && grep -q "$2" "$folder/answer" && test ! -e "$user_prefix"
}
check "the launcher answers --help itself" answers --help '^Usage: zembrik \[NUMBER\]'
check "--help names --settings" answers --help '^  --settings '
check "the launcher answers --version itself" answers --version \
    "^zembrik $(sed -n 's/^project(Zembrik VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")\$"
xdg-mime default zembrik.desktop x-scheme-handler/tel
check "the desktop names Zembrik for tel: links" test "$(xdg-mime query default x-scheme-handler/tel)" = zembrik.desktop
# open_link LINK: the desktop opens a phone link; the dialer shows when its
# call key is on the screen.
open_link() {
    xdg-open "$1" >>"$folder/xdg-open.log" 2>&1 </dev/null &
    wait_for 360 pixel_is 150 270 green
}
tap_call() {
    xdotool mousemove 150 270 click 1
}
# The first start makes the Wine prefix.
check "xdg-open starts the installed dialer" open_link tel:+15550100
sleep 1
check "a link is shown, not dialled" test -z "$(calls_log)"

# What Call dials is what the screen shows. The launcher hands calls to the
# desktop's phone app; the emulated line records them instead while the
# hand-off is off.
in_user_wine reg add 'HKLM\Software\DeviceEmulation' /v CallHandoff /t REG_DWORD /d 0 /f
tap_call
check "Call dials the link's number" wait_for 40 calls_log_is "$(printf '+15550100\t')"
check "the calls log is in the user's folder, not the programs'" \
    test ! -e "$prefix/lib/zembrik/Zembrik/calls.log"
# The dialer minimizes after its call; everything in the prefix is ended, so
# that the screen shows the next start.
stop_user_wine() {
    WINEPREFIX="$user_prefix" wineserver -k >/dev/null 2>&1
    wait
}
stop_user_wine

# With Zembrik itself the desktop's phone app, a call handed to the desktop
# would come back to it: the launcher registers no tel: link, and the call is
# refused with a message instead.
in_user_wine reg add 'HKLM\Software\DeviceEmulation' /v CallHandoff /t REG_DWORD /d 1 /f
check "a second link starts the dialer again" open_link tel:+15550123
check "no tel: link is registered while Zembrik takes them" test_not tel_links_registered
tap_call
# The refusal's message box covers the middle of the keypad.
check "a handed-off call is refused" wait_for 40 pixel_is 60 175 white
sleep 2
check "the refused call is not recorded" test "$(calls_log | wc -l)" -eq 1
stop_user_wine

# The settings program, in the launcher's prefix and on its virtual desktop:
# ending that prefix ends it.
settings_on_desktop() {
    desktop=$(xdotool search --name '^Zembrik - Wine desktop$' | head -n 1)
    [ -n "$desktop" ] && xwininfo -children -id "$desktop" | grep -q '"Zembrik Settings"'
}
"$prefix/bin/zembrik" --settings >"$folder/settings.log" 2>&1 </dev/null &
check "zembrik --settings shows Zembrik Settings on the launcher's desktop" wait_for 60 settings_on_desktop
stop_user_wine
check "it ran in the launcher's prefix" wait_for 20 test_not settings_on_desktop

check "make uninstall" installer uninstall PREFIX="$prefix"
check "no installed file is left" no_files_under "$prefix" -not -path "$user_prefix/*"
check "the user's calls log stays" test -n "$(calls_log)"
exit $failed
