# GoogleTest built with the preset's own toolchain, and one CTest entry per test program
# (a Wine start costs about a second, so programs are not split per test case).
if(HOST_CAN_RUN_TARGET)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# add_gtest_program(NAME SOURCES... [LIBS libs...] [TIMEOUT seconds] [SANDBOX name])
# SANDBOX: a Windows test program that needs a display of its own (real mouse and keyboard input
# reaches whatever window is in front) runs in the Wine sandbox build/<preset>/<name>, with its
# own prefix and display, instead of the one the other tests share.
function(add_gtest_program name)
    cmake_parse_arguments(arg "" "TIMEOUT;SANDBOX" "SOURCES;LIBS" ${ARGN})
    if(NOT HOST_CAN_RUN_TARGET)
        return()
    endif()
    add_executable(${name} ${arg_SOURCES} ${arg_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest GTest::gtest_main)
    if(arg_SANDBOX AND WINE_SANDBOX)
        add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-run
                 ${CMAKE_BINARY_DIR}/${arg_SANDBOX} $<TARGET_FILE:${name}> --gtest_color=no)
    else()
        add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    endif()
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 600)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT})
endfunction()

# Export-table check of a built library: names and (on Windows) ordinals.
function(add_export_check target expected)
    add_test(NAME ${target}_exports
             COMMAND ${CMAKE_SOURCE_DIR}/cmake/check-exports $<TARGET_FILE:${target}> ${expected})
    if(WIN32)
        set_tests_properties(${target}_exports PROPERTIES ENVIRONMENT "OBJDUMP=${MINGW_OBJDUMP}")
    endif()
endfunction()
