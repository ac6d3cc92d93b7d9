# Sourced by the end-to-end tests that run desktop tools (xdg-mime,
# xdg-open): private_desktop FOLDER gives the test a HOME and XDG folders of
# its own inside FOLDER and names no desktop session, so the user's desktop
# settings are never read or written.
private_desktop() {
    export HOME="$1/home"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
    export XDG_CONFIG_DIRS="$1/system/config" XDG_DATA_DIRS="$1/system/data"
    unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_DIRS" "$XDG_DATA_DIRS"
}
