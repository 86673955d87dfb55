#!/bin/sh
# Fetches Debian's zlib source package into the build tree, for minizip's
# unzip API (contrib/minizip), which Debian does not package for mingw.
# Usage: fetch-minizip.sh <build-dir>. Prints the minizip folder.
set -eu
build_dir=$(realpath -m "${1:?build folder}")
deps="$build_dir/_deps"
mkdir -p "$deps"

found=$(find "$deps" -maxdepth 4 -type f -path '*/contrib/minizip/unzip.c' 2>/dev/null | head -n1)
if [ -z "$found" ]; then
    (cd "$deps" && apt-get source --download-only zlib >&2 \
        && dpkg-source --no-check -x zlib_*.dsc zlib-source >&2)
    found=$(find "$deps" -maxdepth 4 -type f -path '*/contrib/minizip/unzip.c' | head -n1)
fi
[ -n "$found" ] || { echo "minizip sources not found after apt-get source zlib" >&2; exit 1; }
dirname "$found"
