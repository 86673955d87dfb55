#!/bin/sh
# Sets the machine up (once), fetches minizip's sources and builds every
# target into the build folder (default: ./build, or $DOVREL_BUILD_DIR).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${DOVREL_BUILD_DIR:-$root/build}")

"$root/scripts/setup-debian.sh"
minizip=$("$root/scripts/fetch-minizip.sh" "$build")
# ccache, where the machine has it, makes a second checkout's build cheap.
launcher=""
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
fi
cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DMINIZIP_SOURCE_DIR="$minizip" $launcher >/dev/null
cmake --build "$build" -j"$(nproc)"
