#!/bin/sh
# Builds everything and runs every test under Wine in a private Xvfb, with
# the zh_CN.UTF-8 locale (ANSI code page 936). Extra arguments go to ctest.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")

DOVREL_BUILD_DIR=$build "$root/scripts/build.sh"

. "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start "$build" own
cd "$build"
ctest --output-on-failure "$@"
