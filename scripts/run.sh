#!/bin/sh
# Builds Dovrel.exe and starts it under Wine on the current display. With no
# display (a server), it starts a virtual one, says so, and saves a
# screenshot of the running window to <build>/screenshot.png.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

. "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" current

wine "$build/Dovrel.exe" &
program=$!
if [ "$DOVREL_VIRTUAL_DISPLAY" = yes ]; then
    echo "No display found: Dovrel runs on a virtual display ($DISPLAY)."
    sleep 3
    # The virtual screen is plain black around the window: trim it away.
    import -display "$DISPLAY" -window root png:- 2>/dev/null | convert - -trim +repage "$build/screenshot.png" \
        && echo "Screenshot of the running window: $build/screenshot.png"
    echo "Press Ctrl+C to end it."
fi
wait "$program"
