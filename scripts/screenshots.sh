#!/bin/sh
# Pictures of the main window under Wine at 96 and 144 DPI, for the README:
# docs/main-window-96dpi.png and docs/main-window-144dpi.png. The prefix's
# DPI (HKCU\Control Panel\Desktop\LogPixels) is put back afterwards.
# Wine draws 浏览's drop-down arrow as a glyph of the Marlett font, which
# Debian's Wine does not load from its own fonts folder: while the pictures
# are taken, the session's fontconfig folder lends it that one font.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

. "$root/scripts/wine-session.sh"
key='HKCU\Control Panel\Desktop'
saved=""
marlett=""
started=""
restore() {
    if [ -z "$started" ]; then
        :
    elif [ -n "$saved" ]; then
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$((saved))" /f >/dev/null 2>&1 || true
    else
        wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
    fi
    wine_session_stop
    if [ -n "$marlett" ]; then rm -f "$marlett"; fi
}
trap restore EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" own
started=yes
# Read in the session's prefix, never in the user's own ~/.wine.
saved=$(wine reg query "$key" /v LogPixels 2>/dev/null | awk '$1 == "LogPixels" { print $3 }' | tr -d '\r' || true)
marlett="$HOME/.local/share/fonts/dovrel-screenshots-marlett.ttf"
for font in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf; do
    if [ -f "$font" ]; then
        mkdir -p "$(dirname "$marlett")"
        ln -sf "$font" "$marlett"
        break
    fi
done

for dpi in 96 144; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wine "$build/Dovrel.exe" >/dev/null 2>&1 &
    program=$!
    sleep 3
    # The virtual screen is plain black around the window: trim it away.
    import -display "$DISPLAY" -window root png:- | convert - -trim +repage "$root/docs/main-window-${dpi}dpi.png"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    echo "docs/main-window-${dpi}dpi.png"
done
