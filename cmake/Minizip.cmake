# Provides minizip::unzip, minizip's unzip API, and (for the tests only)
# minizip::zip, its zip writer.
#
# With MINIZIP_SOURCE_DIR (the contrib/minizip folder of zlib's sources, as
# scripts/fetch-minizip.sh fetches it) they are built here as static
# libraries. Without it, an installed minizip is used (vcpkg's
# unofficial-minizip, or a library and header found on the search path).
if(MINIZIP_SOURCE_DIR)
    set(_mz ${MINIZIP_SOURCE_DIR})
    # minizip's headers are included as <minizip/unzip.h>, as installed
    # packages lay them out.
    get_filename_component(_mz_include ${_mz} DIRECTORY)
    set(_mz_defs NOUNCRYPT NOCRYPT)

    add_library(minizip_unzip STATIC ${_mz}/unzip.c ${_mz}/ioapi.c ${_mz}/iowin32.c)
    target_include_directories(minizip_unzip SYSTEM PUBLIC ${_mz_include} PRIVATE ${_mz})
    target_compile_definitions(minizip_unzip PRIVATE ${_mz_defs})
    target_link_libraries(minizip_unzip PUBLIC ZLIB::ZLIB)
    if(NOT MSVC)
        target_compile_options(minizip_unzip PRIVATE -w)
    endif()
    add_library(minizip::unzip ALIAS minizip_unzip)

    add_library(minizip_zip STATIC EXCLUDE_FROM_ALL ${_mz}/zip.c)
    target_include_directories(minizip_zip SYSTEM PUBLIC ${_mz_include} PRIVATE ${_mz})
    target_compile_definitions(minizip_zip PRIVATE ${_mz_defs})
    target_link_libraries(minizip_zip PUBLIC minizip_unzip)
    if(NOT MSVC)
        target_compile_options(minizip_zip PRIVATE -w)
    endif()
    add_library(minizip::zip ALIAS minizip_zip)
else()
    find_package(unofficial-minizip CONFIG QUIET)
    if(TARGET unofficial::minizip::minizip)
        add_library(minizip::unzip ALIAS unofficial::minizip::minizip)
        add_library(minizip::zip ALIAS unofficial::minizip::minizip)
    else()
        find_path(MINIZIP_INCLUDE_DIR minizip/unzip.h REQUIRED)
        find_library(MINIZIP_LIBRARY NAMES minizip REQUIRED)
        add_library(minizip_installed UNKNOWN IMPORTED)
        set_target_properties(minizip_installed PROPERTIES
            IMPORTED_LOCATION ${MINIZIP_LIBRARY}
            INTERFACE_INCLUDE_DIRECTORIES ${MINIZIP_INCLUDE_DIR}
            INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
        add_library(minizip::unzip ALIAS minizip_installed)
        add_library(minizip::zip ALIAS minizip_installed)
    endif()
endif()
