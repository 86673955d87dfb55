# Provides ZLIB::ZLIB.
#
# With MINIZIP_SOURCE_DIR (zlib's contrib/minizip folder, as
# scripts/fetch-minizip.sh fetches it) zlib is built here from the same
# source tree as a static library, so the program imports no zlib1.dll,
# which Windows does not have. Without it, an installed zlib is used
# (vcpkg's static triplets link it statically too).
if(MINIZIP_SOURCE_DIR)
    get_filename_component(_zlib ${MINIZIP_SOURCE_DIR}/../.. ABSOLUTE)
    if(NOT EXISTS ${_zlib}/zlib.h)
        message(FATAL_ERROR "zlib's sources are not two folders above ${MINIZIP_SOURCE_DIR}")
    endif()
    # No gz* files: nothing here reads or writes .gz streams.
    add_library(zlib_static STATIC
        ${_zlib}/adler32.c ${_zlib}/compress.c ${_zlib}/crc32.c ${_zlib}/deflate.c ${_zlib}/infback.c
        ${_zlib}/inffast.c ${_zlib}/inflate.c ${_zlib}/inftrees.c ${_zlib}/trees.c ${_zlib}/uncompr.c
        ${_zlib}/zutil.c)
    target_include_directories(zlib_static SYSTEM PUBLIC ${_zlib})
    if(NOT MSVC)
        target_compile_options(zlib_static PRIVATE -w)
    endif()
    add_library(ZLIB::ZLIB ALIAS zlib_static)
else()
    find_package(ZLIB REQUIRED)
endif()
