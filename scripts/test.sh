#!/bin/sh
# Builds everything and runs every test under Wine in a private Xvfb, with
# the zh_CN.UTF-8 locale (ANSI code page 936), then the native sanitizer
# build of the parsers and their fuzz targets (scripts/fuzz.sh). Extra
# arguments go to ctest, and then skip the fuzzing.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

. "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" own
(cd "$build" && ctest --output-on-failure "$@")
wine_session_stop
[ $# -gt 0 ] || DOVREL_BUILD_DIR=$build "$root/scripts/fuzz.sh"
