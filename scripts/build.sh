#!/bin/sh
# Sets the machine up (once), fetches minizip's sources and builds every
# target into the build folder (default: ./build, or $DOVREL_BUILD_DIR).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")

"$root/scripts/setup-debian.sh"
minizip=$("$root/scripts/fetch-minizip.sh" "$build")
cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DMINIZIP_SOURCE_DIR="$minizip" >/dev/null
cmake --build "$build" -j"$(nproc)"
