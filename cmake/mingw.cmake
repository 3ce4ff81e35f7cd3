# Cross toolchain: mingw-w64 for the target MINGW_TARGET (x86_64-w64-mingw32 or
# i686-w64-mingw32, which the presets set), posix threading model, everything linked statically.
if(NOT MINGW_TARGET MATCHES "^(x86_64|i686)-w64-mingw32$")
    message(FATAL_ERROR "MINGW_TARGET must be x86_64-w64-mingw32 or i686-w64-mingw32, not "
                        "'${MINGW_TARGET}'")
endif()
# The checks that CMake compiles in projects of their own read this file too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_TARGET)

set(CMAKE_SYSTEM_NAME Windows)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${MINGW_TARGET})
set(CMAKE_C_COMPILER ${MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TARGET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(MINGW_OBJDUMP ${MINGW_TARGET}-objdump)
