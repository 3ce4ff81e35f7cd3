/*
 * The interface that a transport library offers termlink. termlink loads the library by the
 * file name its caller passes and looks these entries up by name. All use cdecl.
 *
 *   EMBUDP_INIT(p1, p2, p3)        required; opens the transport, returns its handle, 0 = failure
 *   EMBUDP_CLOSE(handle)           required
 *   EMBUDP_SEND(handle, bytes, n)  required; sends one whole packet, non-zero when sent
 *   EMBUDP_READ(handle, buffer, capacity, timeoutMs)
 *                                  required; waits up to the time-out for one whole packet,
 *                                  stores at most capacity bytes, returns the count (< 1: nothing)
 *   EMBUDP_TERMINALREAD(handle)    optional; makes a pending EMBUDP_READ on another thread return
 *   EMBUDP_NAME(connection)        the transport's name; "TCP..." selects 64 KiB packets
 *   EMBUDP_SENDTOMODEM(handle, text, length)
 *                                  modem connections: sends an AT command text (without its NUL)
 *   EMBUDP_READFROMMODEM(handle, buffer, lastCommandLength, timeoutMs)
 *                                  modem connections: waits up to the time-out for the modem's
 *                                  answer and stores it as NUL-terminated text (the echo of the
 *                                  last command, then the answer lines) in the buffer, which
 *                                  holds at least 1032 bytes; non-zero when an answer came
 *
 * EMBUDP_SEND is called both from the caller's thread and from the reader thread.
 */
#ifndef TERMLINK_TRANSPORT_H
#define TERMLINK_TRANSPORT_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define EMBUDP_CALL __cdecl
#else
#define EMBUDP_CALL
#endif

typedef void*(EMBUDP_CALL* EmbudpInitFn)(int parameter1, int parameter2, int parameter3);
typedef int(EMBUDP_CALL* EmbudpCloseFn)(void* handle);
typedef int(EMBUDP_CALL* EmbudpSendFn)(void* handle, const void* bytes, int length);
typedef int(EMBUDP_CALL* EmbudpReadFn)(void* handle, void* buffer, int capacity, int timeoutMs);
typedef int(EMBUDP_CALL* EmbudpTerminalReadFn)(void* handle);
typedef const char*(EMBUDP_CALL* EmbudpNameFn)(void* connection);
typedef int(EMBUDP_CALL* EmbudpSendToModemFn)(void* handle, const char* text, int length);
typedef int(EMBUDP_CALL* EmbudpReadFromModemFn)(void* handle, char* buffer, int lastCommandLength,
                                                int timeoutMs);

#ifdef __cplusplus
}
#endif

#endif /* TERMLINK_TRANSPORT_H */
