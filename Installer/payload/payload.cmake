# The three cabinets that the setup program carries, made at build time from the payload folders
# of the build settings (INSTALIO_PAYLOAD_DEVICES, _SHARED, _PROGRAM). A setting left empty takes
# the sample payload:
#   101 (ARCHIVOS/LIBRERIAS_VM, device libraries): termlink.dll of this build;
#   102 (ARCHIVOS/LIBRERIAS, shared libraries): TavrinLiteShared.dll, with version information,
#       and the uninstaller that the uninstall entry names, OstrevantUninstall.exe;
#   103 (ARCHIVOS/PROGRAMA, the application): TavrinLite.exe, TavrinLiteAdmin.exe, Help\readme.txt.
# The sample's programs and libraries go in without their debug information (split_debug_info).
# Sets INSTALIO_CAB_DEVICES, INSTALIO_CAB_SHARED and INSTALIO_CAB_PROGRAM to the cabinets' paths.

set(sample ${CMAKE_CURRENT_LIST_DIR}/sample)
set(cabinets ${CMAKE_CURRENT_BINARY_DIR}/cabinets)
set(INSTALIO_CAB_DEVICES ${cabinets}/101.cab)
set(INSTALIO_CAB_SHARED ${cabinets}/102.cab)
set(INSTALIO_CAB_PROGRAM ${cabinets}/103.cab)

if(INSTALIO_PAYLOAD_DEVICES)
    add_cabinet(OUTPUT ${INSTALIO_CAB_DEVICES} FOLDER ${INSTALIO_PAYLOAD_DEVICES})
else()
    add_cabinet(OUTPUT ${INSTALIO_CAB_DEVICES}
        ENTRIES termlink.dll=$<TARGET_FILE:termlink> DEPENDS termlink)
endif()

if(INSTALIO_PAYLOAD_SHARED)
    add_cabinet(OUTPUT ${INSTALIO_CAB_SHARED} FOLDER ${INSTALIO_PAYLOAD_SHARED})
else()
    add_library(instalio_sample_shared SHARED ${sample}/shared.cpp ${sample}/shared.rc)
    set_target_properties(instalio_sample_shared PROPERTIES PREFIX "" OUTPUT_NAME TavrinLiteShared
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/sample)
    add_executable(instalio_sample_uninstall WIN32 ${sample}/uninstall.cpp)
    set_target_properties(instalio_sample_uninstall PROPERTIES OUTPUT_NAME OstrevantUninstall
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/sample)
    split_debug_info(instalio_sample_shared instalio_sample_uninstall)
    add_cabinet(OUTPUT ${INSTALIO_CAB_SHARED}
        ENTRIES TavrinLiteShared.dll=$<TARGET_FILE:instalio_sample_shared>
                OstrevantUninstall.exe=$<TARGET_FILE:instalio_sample_uninstall>
        DEPENDS instalio_sample_shared instalio_sample_uninstall)
endif()

if(INSTALIO_PAYLOAD_PROGRAM)
    add_cabinet(OUTPUT ${INSTALIO_CAB_PROGRAM} FOLDER ${INSTALIO_PAYLOAD_PROGRAM})
else()
    foreach(program TavrinLite TavrinLiteAdmin)
        add_executable(instalio_sample_${program} WIN32 ${sample}/program/application.cpp)
        target_compile_definitions(instalio_sample_${program} PRIVATE
            "SAMPLE_TITLE=\"${program} (sample)\"")
        set_target_properties(instalio_sample_${program} PROPERTIES OUTPUT_NAME ${program}
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/sample)
        split_debug_info(instalio_sample_${program})
    endforeach()
    add_cabinet(OUTPUT ${INSTALIO_CAB_PROGRAM}
        ENTRIES TavrinLite.exe=$<TARGET_FILE:instalio_sample_TavrinLite>
                TavrinLiteAdmin.exe=$<TARGET_FILE:instalio_sample_TavrinLiteAdmin>
                Help/readme.txt=${sample}/program/Help/readme.txt
        DEPENDS instalio_sample_TavrinLite instalio_sample_TavrinLiteAdmin
                ${sample}/program/Help/readme.txt)
endif()

add_custom_target(instalio_cabinets DEPENDS
    ${INSTALIO_CAB_DEVICES} ${INSTALIO_CAB_SHARED} ${INSTALIO_CAB_PROGRAM})
