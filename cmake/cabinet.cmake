# add_cabinet(OUTPUT file.cab [FOLDER dir] [ENTRIES name=path...] [DEPENDS files or targets...])
#
# Makes an MSZIP cabinet with gcab at build time: from every file below FOLDER (stored with
# their paths relative to it), or from the ENTRIES, each stored under its name (which may hold
# folders, "/"-separated). Paths may be generator expressions.
find_program(GCAB gcab REQUIRED)

function(add_cabinet)
    cmake_parse_arguments(arg "" "OUTPUT;FOLDER" "ENTRIES;DEPENDS" ${ARGN})
    set(depends ${CMAKE_SOURCE_DIR}/cmake/make-cab.cmake ${arg_DEPENDS})
    if(arg_FOLDER)
        file(GLOB_RECURSE files CONFIGURE_DEPENDS ${arg_FOLDER}/*)
        list(APPEND depends ${files})
        set(source "-DFOLDER=${arg_FOLDER}")
    else()
        list(JOIN arg_ENTRIES "|" entries)
        set(source "-DENTRIES=${entries}")
    endif()
    add_custom_command(OUTPUT ${arg_OUTPUT}
        COMMAND ${CMAKE_COMMAND} -DGCAB=${GCAB} -DOUTPUT=${arg_OUTPUT} "${source}"
                -P ${CMAKE_SOURCE_DIR}/cmake/make-cab.cmake
        DEPENDS ${depends}
        COMMENT "Making cabinet ${arg_OUTPUT}"
        VERBATIM)
endfunction()
