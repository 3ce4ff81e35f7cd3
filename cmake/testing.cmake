# GoogleTest built with the preset's own toolchain, and one CTest entry per test program
# (a Wine start costs about a second, so programs are not split per test case), unless a program
# asks for SHARDS.
if(HOST_CAN_RUN_TARGET)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# add_gtest_program(NAME SOURCES... [LIBS libs...] [TIMEOUT seconds] [SANDBOX name] [SHARDS n])
# SANDBOX: a Windows test program that needs a display of its own (real mouse and keyboard input
# reaches whatever window is in front) runs in the Wine sandbox build/<preset>/<name>, with its
# own prefix and display, instead of the one the other tests share.
# SHARDS: the program's test cases run side by side: natively each is a CTest entry of its own
# (NAME:Suite.Case), under Wine the program is n entries (NAME_0 ...) that each run a share of
# the cases. TIMEOUT is then per entry.
function(add_gtest_program name)
    cmake_parse_arguments(arg "" "TIMEOUT;SANDBOX;SHARDS" "SOURCES;LIBS" ${ARGN})
    if(NOT HOST_CAN_RUN_TARGET)
        return()
    endif()
    add_executable(${name} ${arg_SOURCES} ${arg_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest GTest::gtest_main)
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 600)
    endif()
    if(arg_SHARDS AND NOT arg_SANDBOX)
        if(CMAKE_CROSSCOMPILING)
            math(EXPR last "${arg_SHARDS} - 1")
            foreach(shard RANGE ${last})
                add_test(NAME ${name}_${shard} COMMAND ${name} --gtest_color=no)
                set_tests_properties(${name}_${shard} PROPERTIES TIMEOUT ${arg_TIMEOUT}
                    ENVIRONMENT "GTEST_TOTAL_SHARDS=${arg_SHARDS};GTEST_SHARD_INDEX=${shard}")
            endforeach()
        else()
            include(GoogleTest)
            gtest_discover_tests(${name} TEST_PREFIX "${name}:" EXTRA_ARGS --gtest_color=no
                                 PROPERTIES TIMEOUT ${arg_TIMEOUT} DISCOVERY_TIMEOUT 120)
        endif()
        return()
    endif()
    if(arg_SANDBOX AND WINE_SANDBOX)
        add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-test
                 ${CMAKE_BINARY_DIR}/${arg_SANDBOX} $<TARGET_FILE:${name}> --gtest_color=no)
    else()
        add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
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
