# Cross-compiles for 32-bit Windows (the x86 program) with Debian's mingw-w64 (posix threads).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Only the program is built for x86 (DOVREL_BUILD_TESTS=OFF): the test
# suite runs on x64 and starts this program from there.
