#!/bin/sh
# Installs Zembrik as a desktop application, or removes what that installed:
# the programs in PREFIX/lib/zembrik as the dialer expects them (the settings
# program beside the dialer, the companion program in a folder beside the
# dialer's), the zembrik launcher, the desktop entries and the icons.
# DESTDIR, when set, is where a package is staged: the files go below it and
# name PREFIX.
# Usage: install.sh install|uninstall BUILD_DIR PREFIX
set -e
action="$1"
build="$2"
prefix="$3"
source=$(cd "$(dirname "$0")/.." && pwd)
case "$prefix" in
    # The desktop entry names the launcher unquoted: xdg-open reads no quotes.
    *[[:space:]\'\"\\\`\$]*) echo "PREFIX may not hold spaces, quotes, a backslash or a dollar sign: '$prefix'." >&2; exit 2 ;;
    /*) ;;
    *) echo "PREFIX must be an absolute path, not '$prefix'." >&2; exit 2 ;;
esac
# The paths as sed puts them into the launcher and the desktop entry.
sed_prefix=$(printf '%s' "$prefix" | sed 's/[&|]/\\&/g')
# The version, from the one place it is written.
version=$(sed -n 's/^project(Zembrik VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
root="${DESTDIR:-}$prefix"

# What is installed, one line each: how (copy; strip, a program without the
# build's debugging information; or fill in the paths), the mode, the
# destination below PREFIX, and the source.
installed_files() {
    cat <<EOF2
fill 755 bin/zembrik $source/packaging/zembrik.in
fill 644 share/applications/zembrik.desktop $source/packaging/zembrik.desktop.in
fill 644 share/applications/zembrik-settings.desktop $source/packaging/zembrik-settings.desktop.in
copy 644 lib/zembrik/wine-env.sh $source/tools/wine-env.sh
strip 644 lib/zembrik/Zembrik/zembrik.exe $build/device/Zembrik/zembrik.exe
strip 644 lib/zembrik/Zembrik/ZembrikSettings.exe $build/device/Zembrik/ZembrikSettings.exe
copy 644 lib/zembrik/Zembrik/default.png $source/skins/default.png
strip 644 lib/zembrik/Pellomar/Pellomar.exe $build/device/Pellomar/Pellomar.exe
EOF2
    for icon in "$source"/packaging/icons/hicolor/*/apps/zembrik.png; do
        [ -f "$icon" ] && echo "copy 644 share/icons/hicolor/${icon#"$source"/packaging/icons/hicolor/} $icon"
    done
    return 0
}

# Caches that the desktop already keeps are brought up to date; none is made.
refresh_desktop_caches() {
    [ -n "${DESTDIR:-}" ] && return 0
    if [ -f "$root/share/applications/mimeinfo.cache" ] && command -v update-desktop-database >/dev/null; then
        update-desktop-database -q "$root/share/applications" || true
    fi
    if [ -f "$root/share/icons/hicolor/icon-theme.cache" ] && command -v gtk-update-icon-cache >/dev/null; then
        gtk-update-icon-cache -q -t -f "$root/share/icons/hicolor" || true
    fi
}

case "$action" in
install)
    installed_files | while read -r how mode destination file; do
        if [ ! -f "$file" ]; then
            echo "Missing $file: build first (make build)." >&2
            exit 1
        fi
        mkdir -p "$(dirname "$root/$destination")"
        case "$how" in
            fill) sed -e "s|@BINDIR@|$sed_prefix/bin|g" -e "s|@LIBDIR@|$sed_prefix/lib/zembrik|g" \
                -e "s|@VERSION@|$version|g" "$file" >"$root/$destination" ;;
            strip) x86_64-w64-mingw32-strip -o "$root/$destination" "$file" ;;
            *) cp "$file" "$root/$destination" ;;
        esac
        chmod "$mode" "$root/$destination"
        echo "  $root/$destination"
    done
    refresh_desktop_caches
    ;;
uninstall)
    installed_files | while read -r how mode destination file; do
        rm -f "$root/$destination"
    done
    # The programs' own folders go too; folders that others share stay.
    rmdir "$root/lib/zembrik/Zembrik" "$root/lib/zembrik/Pellomar" "$root/lib/zembrik" 2>/dev/null || true
    refresh_desktop_caches
    ;;
*)
    echo "usage: $0 install|uninstall BUILD_DIR PREFIX" >&2
    exit 2
    ;;
esac
