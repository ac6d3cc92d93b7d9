# Sourced by the run and test scripts and by the installed launcher: Wine
# with its own chatter silenced, in a prefix that the caller names (never the
# user's ~/.wine), and the registry that hands calls to the desktop.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

boot_wine_prefix() {
    # A persistent server and a booted prefix before anything else starts;
    # otherwise Wine's background services inherit the callers' pipes.
    wineserver -p >/dev/null 2>&1 || true
    wine wineboot -i >/dev/null 2>&1 </dev/null || true
}

# The program that the desktop opens tel: links with, unless that is
# Zembrik itself: its calls would come back to it as links. It reads the
# caller's desktop (HOME and the XDG folders): make run and the launcher are
# the user's own; a test calls it only with folders of its own.
desktop_phone_app() {
    app=$(xdg-mime query default x-scheme-handler/tel 2>/dev/null || true)
    case "$app" in
        *[Zz]embrik*) ;;
        *) printf '%s\n' "$app" ;;
    esac
}

# Registry lines (REGEDIT4) that hand the dialer's calls to the desktop's
# phone app $1: the hand-off on, and tel: links opened the way Wine opens
# mailto: links, through winebrowser and xdg-open. Wine's bridge cannot tell
# whether xdg-open found a program, so the link is registered only while
# there is a phone app; without one each call is refused with a message.
calls_handoff_registry() {
    printf '[HKEY_LOCAL_MACHINE\\Software\\DeviceEmulation]\n"CallHandoff"=dword:00000001\n\n'
    if [ -n "$1" ]; then
        printf '[HKEY_CLASSES_ROOT\\tel]\n"URL Protocol"=""\n\n'
        printf '[HKEY_CLASSES_ROOT\\tel\\shell\\open\\command]\n'
        printf '@="C:\\\\windows\\\\system32\\\\winebrowser.exe \\"%%1\\""\n\n'
    else
        printf '[-HKEY_CLASSES_ROOT\\tel]\n\n'
    fi
}

# Imports the registry lines read from standard input, in one Wine process.
import_registry() {
    file=$(mktemp "${TMPDIR:-/tmp}/zembrik.XXXXXX.reg")
    { echo REGEDIT4; echo; cat; } >"$file"
    wine regedit /S "$file" >/dev/null 2>&1 </dev/null
    status=$?
    rm -f "$file"
    return $status
}
