# Build settings of both deliverables. The README lists them with their defaults.

# termlink: the four mask bytes of the communication-password scramble, byte 0 first.
set(TERMLINK_COMM_MASK "0x5A,0xC3,0x3C,0xA5" CACHE STRING
    "termlink: mask bytes 0..3 of the communication-password scramble")

# instalio: the configuration text compiled into the setup program as ARCHIVOS/CONFIGURACION.
set(INSTALIO_CONFIGURATION ${CMAKE_SOURCE_DIR}/Installer/resources/config.txt CACHE FILEPATH
    "instalio: the setup configuration (key=value lines, CR LF after every line)")

# instalio: the update servers (the update query) and the download servers (newer cabinets), each
# a base URL without a final "/". Builds that run tests or demos keep every one on 127.0.0.1.
set(INSTALIO_UPDATE_SERVER_1 "http://127.0.0.1:18081" CACHE STRING
    "instalio: first update server, asked at /serial/check_update.php")
set(INSTALIO_UPDATE_SERVER_2 "http://127.0.0.1:18082" CACHE STRING
    "instalio: second update server, asked at /check_update.php")
set(INSTALIO_UPDATE_SERVER_3 "http://127.0.0.1:18083" CACHE STRING
    "instalio: third update server (on the local network), asked at /serial/check_update.php")
set(INSTALIO_DOWNLOAD_SERVER_1 "http://127.0.0.1:18084" CACHE STRING
    "instalio: first download server of the cabinets, below /downloads/cabs/")
set(INSTALIO_DOWNLOAD_SERVER_2 "http://127.0.0.1:18085" CACHE STRING
    "instalio: second download server of the cabinets, below /downloads/cabs/")
set(INSTALIO_SERVER_SETTINGS INSTALIO_UPDATE_SERVER_1 INSTALIO_UPDATE_SERVER_2
    INSTALIO_UPDATE_SERVER_3 INSTALIO_DOWNLOAD_SERVER_1 INSTALIO_DOWNLOAD_SERVER_2)

# instalio: the payload folders of the three cabinets the setup program carries. Every file below
# a folder goes into its cabinet. Empty: the sample payload of the tree (Installer/payload).
set(INSTALIO_PAYLOAD_DEVICES "" CACHE PATH
    "instalio: files of cabinet 101, the device libraries (empty: termlink.dll of this build)")
set(INSTALIO_PAYLOAD_SHARED "" CACHE PATH
    "instalio: files of cabinet 102, the shared libraries (empty: a sample library)")
set(INSTALIO_PAYLOAD_PROGRAM "" CACHE PATH
    "instalio: files of cabinet 103, the application (empty: a sample application)")
