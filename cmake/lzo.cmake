# LZO, which the buffered reads decompress with: the system's liblzo2 on Linux; for the Windows
# builds LZO from Debian's source package (scripts/setup downloads it), unpacked into the build
# tree at configure time and compiled with the preset's toolchain as a static library.
# Defines the target lzo2.
if(TARGET lzo2)
    return()
endif()

# The LZO version of the Windows builds; scripts/setup reads it from this line.
set(LZO_VERSION 2.10)

if(WIN32)
    set(LZO_SOURCE_ARCHIVE /var/cache/instalio-src/lzo2_${LZO_VERSION}.orig.tar.gz CACHE FILEPATH
        "LZO ${LZO_VERSION} source archive (Debian's lzo2_${LZO_VERSION}.orig.tar.gz)")
    set(lzo_dir ${CMAKE_BINARY_DIR}/lzo-${LZO_VERSION})
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
    set_target_properties(lzo2 PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
else()
    find_path(LZO_INCLUDE_DIR lzo/lzo1x.h REQUIRED)
    find_library(LZO_LIBRARY lzo2 REQUIRED)
    add_library(lzo2 UNKNOWN IMPORTED GLOBAL)
    set_target_properties(lzo2 PROPERTIES
        IMPORTED_LOCATION ${LZO_LIBRARY}
        INTERFACE_INCLUDE_DIRECTORIES ${LZO_INCLUDE_DIR})
endif()
