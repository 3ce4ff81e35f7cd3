# What the chosen preset builds and runs.

set(TERMLINK_SANITIZE "" CACHE STRING "Sanitizers for native builds (address,undefined or thread)")
if(TERMLINK_SANITIZE)
    add_compile_options(-fsanitize=${TERMLINK_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${TERMLINK_SANITIZE})
endif()

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra)
endif()

# Windows programs run under wine64 here; the 32-bit build cannot run on this machine.
set(HOST_CAN_RUN_TARGET ON)
if(WIN32)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(WINE_SANDBOX ${CMAKE_BINARY_DIR}/wine)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/cmake/wine-test;${WINE_SANDBOX})
    else()
        set(HOST_CAN_RUN_TARGET OFF)
    endif()
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# libFuzzer targets need clang and AddressSanitizer: the native-asan preset builds them.
set(TERMLINK_FUZZ OFF)
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND TERMLINK_SANITIZE MATCHES "address")
    set(TERMLINK_FUZZ ON)
endif()
