# split_debug_info(TARGET...)
#
# What the setup program ships carries no debug information: after each link, the target's
# debug information moves into a file beside it (<file>.debug), and the file is stripped and
# keeps a debug link to that file (its name and checksum), so that a debugger given the .debug
# file can still read a crash. The build stays optimised and compiled with debug information;
# only the shipped file loses it. Call it in the folder that defines the targets.
function(split_debug_info)
    foreach(target IN LISTS ARGN)
        set(file $<TARGET_FILE:${target}>)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
            COMMAND ${CMAKE_STRIP} --strip-all ${file}
            COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${file}.debug ${file}
            VERBATIM)
    endforeach()
endfunction()
