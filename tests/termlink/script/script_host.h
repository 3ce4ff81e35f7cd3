/*
 * The scriptable test transport forwards every EMBUDP_ entry to the program that hosts the
 * tests: that program exports SCRIPT_HOST, which returns these entry points. So the test
 * program scripts the terminal in C++ while termlink loads and unloads the transport library
 * by name exactly as it would any other.
 */
#ifndef SCRIPT_HOST_H
#define SCRIPT_HOST_H

#include "termlink_transport.h"

#ifdef __cplusplus
extern "C" {
#endif

struct ScriptHost {
    EmbudpInitFn init;
    EmbudpCloseFn close;
    EmbudpSendFn send;
    EmbudpReadFn read;
    EmbudpTerminalReadFn terminalRead;
    EmbudpNameFn name;
    EmbudpSendToModemFn sendToModem;
    EmbudpReadFromModemFn readFromModem;
};

typedef struct ScriptHost*(EMBUDP_CALL* ScriptHostFn)(void);

#ifdef __cplusplus
}
#endif

#endif
