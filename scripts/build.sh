#!/bin/sh
# Sets the machine up (once), fetches minizip's sources and builds every
# target into the build folder (default: ./build, or $DOVREL_BUILD_DIR):
# first the x86 program alone into <build>/x86, then everything for x64,
# the setups (which carry both programs) included. Arguments are the x64
# targets to build (default: all).
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
cmake -S "$root" -B "$build/x86" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DMINIZIP_SOURCE_DIR="$minizip" -DDOVREL_BUILD_TESTS=OFF -DDOVREL_BUILD_BENCH=OFF $launcher >/dev/null
cmake --build "$build/x86" -j"$(nproc)" --target Dovrel
cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DMINIZIP_SOURCE_DIR="$minizip" -DDOVREL_X86_PROGRAM="$build/x86/Dovrel.exe" $launcher >/dev/null
if [ $# -gt 0 ]; then
    cmake --build "$build" -j"$(nproc)" --target "$@"
else
    cmake --build "$build" -j"$(nproc)"
fi
