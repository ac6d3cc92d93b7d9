#!/bin/sh
# Calls handed to the computer's phone app, end to end: the real dialer under
# Wine with the hand-off on, Wine's own winebrowser, the real xdg-open, and a
# recording phone app registered for tel: links in a private desktop
# environment that this test makes (its own HOME and XDG folders, never the
# user's). Runs on the test session's Xvfb and Wine prefix.
# Usage: call_handoff.sh BUILD_DIR
set -u
build="$1"
folder=$(mktemp -d "$build/tests/run-handoff.XXXXXX")
emulation='HKLM\Software\DeviceEmulation'
cleanup() {
    wine reg delete "$emulation" /v CallHandoff /f >/dev/null 2>&1
    wine reg delete 'HKCR\tel' /f >/dev/null 2>&1
    rm -rf "$folder"
}
trap cleanup EXIT
cp "$build/zembrik.exe" "$folder/"

. "$(dirname "$0")/private_desktop.sh"
private_desktop "$folder"
# No xdg tool may run on the user's own desktop settings.
case "$XDG_CONFIG_HOME" in
    "$folder"/*) ;;
    *) echo "XDG_CONFIG_HOME is not the test's own: $XDG_CONFIG_HOME"; exit 1 ;;
esac

links="$folder/links"
: >"$links"
cat >"$folder/recording-phone" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >>"$links"
EOF
chmod +x "$folder/recording-phone"
cat >"$XDG_DATA_HOME/applications/recording-phone.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Recording phone
Exec=$folder/recording-phone %u
MimeType=x-scheme-handler/tel;
NoDisplay=true
EOF
xdg-mime default recording-phone.desktop x-scheme-handler/tel
handler=$(xdg-mime query default x-scheme-handler/tel)
if [ "$handler" != recording-phone.desktop ]; then
    echo "the private desktop names '$handler' for tel: links"
    exit 1
fi

# The dialer's own settings as on a fresh device: calls go to the cellular
# line, which hands them off.
wine reg delete 'HKCU\Software\Orvendel\Zembrik' /f >/dev/null 2>&1
# What make run sets up: the hand-off, and tel: links opened the way Wine
# opens mailto: links, through winebrowser.
wine reg add "$emulation" /v CallHandoff /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add 'HKCR\tel' /v 'URL Protocol' /d '' /f >/dev/null 2>&1
wine reg add 'HKCR\tel\shell\open\command' /ve /d 'C:\windows\system32\winebrowser.exe "%1"' /f >/dev/null 2>&1

failed=0
# dial NUMBER LINK: a command-line dial must reach the phone app as LINK.
dial() {
    count=$(wc -l <"$links")
    # Bounded: a dial that fails waits on its message box.
    (cd "$folder" && exec timeout 60 wine zembrik.exe "$1") >/dev/null 2>&1 </dev/null
    status=$?
    for _ in $(seq 100); do
        [ "$(wc -l <"$links")" -gt "$count" ] && break
        sleep 0.2
    done
    received=$(tail -n +"$((count + 1))" "$links")
    if [ "$status" -eq 16 ] && [ "$received" = "$2" ]; then
        echo "dialled $1: the phone app received $2"
    else
        echo "dialled $1 (exit $status): the phone app received '$received', expected '$2'"
        failed=1
    fi
}
dial 5551234 'tel:5551234'
dial '*31#5550100' 'tel:*31%235550100'
dial 5550100p42 'tel:5550100,42'

# The log's time column is left out: the number and name are compared.
expected=$(printf '5551234\t\n*31#5550100\t\n5550100p42\t')
logged=$(cut -f1,2 "$folder/calls.log" 2>/dev/null)
if [ "$logged" != "$expected" ]; then
    echo "calls.log holds '$logged', expected every handed-off call"
    failed=1
fi
exit $failed
