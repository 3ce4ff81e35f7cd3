# LZO, which the buffered reads decompress with: the system's liblzo2 on Linux; for the Windows
# builds LZO 2.10 from Debian's source package (scripts/setup downloads it), unpacked into the
# build tree at configure time and compiled with the preset's toolchain as a static library.
# Defines the target lzo2.
if(TARGET lzo2)
    return()
endif()

if(WIN32)
    set(LZO_SOURCE_ARCHIVE /var/cache/instalio-src/lzo2_2.10.orig.tar.gz CACHE FILEPATH
        "LZO 2.10 source archive (Debian's lzo2_2.10.orig.tar.gz)")
    set(lzo_dir ${CMAKE_BINARY_DIR}/lzo-2.10)
    if(NOT EXISTS ${lzo_dir}/include/lzo/lzo1x.h)
        if(NOT EXISTS ${LZO_SOURCE_ARCHIVE})
            message(FATAL_ERROR "LZO source archive ${LZO_SOURCE_ARCHIVE} missing: run scripts/setup")
        endif()
        file(ARCHIVE_EXTRACT INPUT ${LZO_SOURCE_ARCHIVE} DESTINATION ${CMAKE_BINARY_DIR})
    endif()
    file(GLOB lzo_sources ${lzo_dir}/src/*.c)
    add_library(lzo2 STATIC ${lzo_sources})
    target_include_directories(lzo2 SYSTEM PUBLIC ${lzo_dir}/include PRIVATE ${lzo_dir}/src)
    target_compile_options(lzo2 PRIVATE -w)
else()
    find_path(LZO_INCLUDE_DIR lzo/lzo1x.h REQUIRED)
    find_library(LZO_LIBRARY lzo2 REQUIRED)
    add_library(lzo2 UNKNOWN IMPORTED GLOBAL)
    set_target_properties(lzo2 PROPERTIES
        IMPORTED_LOCATION ${LZO_LIBRARY}
        INTERFACE_INCLUDE_DIRECTORIES ${LZO_INCLUDE_DIR})
endif()
