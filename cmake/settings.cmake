# Build settings of both deliverables. The README lists them with their defaults.

# termlink: the four mask bytes of the communication-password scramble, byte 0 first.
set(TERMLINK_COMM_MASK "0x5A,0xC3,0x3C,0xA5" CACHE STRING
    "termlink: mask bytes 0..3 of the communication-password scramble")

# instalio: the configuration text compiled into the setup program as ARCHIVOS/CONFIGURACION.
set(INSTALIO_CONFIGURATION ${CMAKE_SOURCE_DIR}/Installer/resources/config.txt CACHE FILEPATH
    "instalio: the setup configuration (key=value lines, CR LF after every line)")
