/*
 * termlink: talks to attendance terminals through a transport library.
 *
 * Calling order: open a connection with TERMPRO_INIT (or TERMPRO_INITEX, also through a dial-up
 * modem), run commands on it one at a time
 * (a connection carries one call at a time; the library takes no locks), then TERMPRO_CLOSE.
 * When an opening returns NULL, TERMPRO_LASTERROR tells why.
 *
 * Every exchange is a packet: an 8-byte header (code, checksum, session, number; each an
 * unsigned 16-bit little-endian integer) followed by its payload. Calls take a 16-bit code
 * word by pointer: the request code on entry, the terminal's reply code or a negative library
 * code (as its 16-bit two's complement) on return. Read the code word as int16_t to compare it
 * with the negative codes. Sizes are in bytes, time-outs in milliseconds.
 *
 * All functions use the cdecl calling convention and are exported undecorated; on Windows with
 * fixed ordinals (see termlink.def).
 */
#ifndef TERMLINK_H
#define TERMLINK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define TERMLINK_CALL __cdecl
#if defined(TERMLINK_BUILDING)
#define TERMLINK_API
#else
#define TERMLINK_API __declspec(dllimport)
#endif
#else
#define TERMLINK_CALL
#define TERMLINK_API __attribute__((visibility("default")))
#endif

/* Packet codes: requests the library sends and replies a terminal gives. */
enum {
    CMD_DATA_HASH = 119,       /* hash of the data block just sent; reply payload is a u32 */
    EVENT_PACKET = 500,        /* unsolicited event of the terminal, acknowledged at once */
    CMD_CONNECT = 1000,        /* opens the session; the reply's session field is the new id */
    CMD_DISCONNECT = 1001,     /* ends the session */
    CMD_AUTHENTICATE = 1102,   /* 4-byte scrambled communication password */
    CMD_DATA_ANNOUNCE = 1500,  /* announces a data block, or a result sent as a series of packets */
    CMD_DATA_CHUNK = 1501,     /* one chunk of a data block, or a result inline in the reply */
    CMD_DATA_FREE = 1502,      /* frees the terminal's prepared data buffer */
    CMD_BUFFER_PREPARE = 1503, /* asks the terminal to prepare a command's result in a buffer */
    CMD_BUFFER_READ = 1504     /* reads one block of the prepared buffer */
};

/* Reply codes of the terminal. */
enum {
    REPLY_OK = 2000,         /* success; also the code of an event acknowledgement */
    REPLY_ERROR = 2001,      /* failure, or no data */
    REPLY_ACCEPTED = 2002,   /* data chunk accepted */
    REPLY_BUSY = 2003,       /* busy: the library pauses 200 ms and tries again */
    REPLY_OK_NO_DATA = 2004, /* success without reply data */
    REPLY_AUTH_REQUIRED =
        2005,                 /* connect answer: the session is open, authentication must follow */
    REPLY_UNSUPPORTED = 65535 /* the terminal does not know the command (-1 as int16_t) */
};

/* Library codes, written to the code word as their 16-bit two's complement. */
enum {
    ERR_NO_REPLY = -2, /* no definitive reply within the attempts */
    ERR_SEND_FAILED =
        -3, /* request larger than the receive buffer, send failed, or wait abandoned */
    ERR_RECEIVE_FAILED = -5 /* a multi-packet receive failed */
};

/* Values of TERMPRO_LASTERROR after an opening. */
enum {
    TERMPRO_INIT_OK = 0,
    TERMPRO_INIT_NO_ENTRY = -1,       /* the transport lacks EMBUDP_INIT, _CLOSE, _SEND or _READ */
    TERMPRO_INIT_TRANSPORT = -2,      /* EMBUDP_INIT returned 0 */
    TERMPRO_INIT_EVENTS = -3,         /* an event or the receive buffer could not be created */
    TERMPRO_INIT_CONNECTING = -4,     /* only while the connect exchange runs */
    TERMPRO_INIT_THREAD = -5,         /* the reader thread could not be started */
    TERMPRO_INIT_AUTHENTICATION = -6, /* authentication was not answered with REPLY_OK */
    TERMPRO_INIT_CONNECT = -7, /* connect answered with neither REPLY_OK nor REPLY_AUTH_REQUIRED */
    TERMPRO_INIT_MODEM = -100  /* modem connections: number too long, dial or connect failed */
};

/* The connection record: the handle that every call takes first. Opaque to callers. */
typedef struct TermConnection TermConnection;

/*
 * Event callback. Runs on the connection's reader thread, one call at a time per connection.
 * callbackValue: the value given at opening; eventId: the event packet's session field;
 * payload: the event's data, valid only during the call. The result is ignored.
 * A callback must not run commands on its own connection: their replies could not be read.
 */
typedef int(TERMLINK_CALL* TERMPRO_EVENT_CALLBACK)(int callbackValue, int eventId, int length,
                                                   const unsigned char* payload);

/*
 * Opens a connection through the transport library with the given file name. The three
 * transport parameters go unchanged to its EMBUDP_INIT. With a callback, a reader thread
 * delivers the terminal's events to it; without one, replies are read on the caller's thread.
 * The password is sent scrambled when the terminal asks for authentication.
 * Returns NULL on failure; TERMPRO_LASTERROR then tells why (a transport library that cannot be
 * loaded, or no memory, leaves it unchanged). A failed opening leaves nothing open.
 */
TERMLINK_API TermConnection* TERMLINK_CALL
TERMPRO_INIT(const char* transportLibrary, int parameter1, int parameter2, int parameter3,
             TERMPRO_EVENT_CALLBACK callback, int callbackValue, int password, int connectTimeout);

/*
 * Opens a connection like TERMPRO_INIT, with a reader thread always (with or without a callback),
 * optionally through a dial-up modem. Without a phone number (NULL or ""), the connect waits
 * 5000 ms for its reply and a refused connect gives TERMPRO_INIT_CONNECT.
 * With a phone number (at most 19 characters), the transport must also export
 * EMBUDP_SENDTOMODEM and EMBUDP_READFROMMODEM (else TERMPRO_INIT_NO_ENTRY). The modem is
 * dialled first: "AT" CR must be answered "OK" and "ATD" + number + CR "CONNECT", each on the
 * line after the modem's echo; each command is tried twice, waiting up to 3 s ("AT") or 30 s
 * (dial) for the answer. Then the terminal is connected, waiting 9000 ms for its reply.
 * TERMPRO_INIT_MODEM when the number is longer than 19 characters (nothing is opened: a cut
 * number would dial someone else), when the dial fails, or when the connect after it is refused.
 * TERMPRO_CLOSE of a modem connection hangs the modem up.
 */
TERMLINK_API TermConnection* TERMLINK_CALL TERMPRO_INITEX(
    const char* transportLibrary, int parameter1, int parameter2, int parameter3,
    TERMPRO_EVENT_CALLBACK callback, int callbackValue, int password, const char* phoneNumber);

/*
 * Ends the session, stops the reader thread, closes the transport and frees the connection.
 * A modem connection is hung up ("+++ATH" CR) after the session ends; that waits up to 6 s.
 */
TERMLINK_API void TERMLINK_CALL TERMPRO_CLOSE(TermConnection* connection);

/*
 * Runs one command: *code holds the request code, data its payload (payloadLength bytes).
 * On return *code holds the reply code or a library code, data the reply's payload cut to
 * replyCapacity bytes, and the result is the reply's session field (0 to 65535), or -2 (no
 * reply), -3 (wait abandoned) or 0 (request larger than the receive buffer). Failed exchanges
 * are tried once more after 100 ms (never for CMD_CONNECT and commands 16, 17, 1001 to 1007).
 * CMD_DISCONNECT always ends with REPLY_OK. A request of at most 1024 payload bytes fits every
 * transport; transports whose name begins with "TCP" take 65528.
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_SENDCMD(TermConnection* connection, uint16_t* code,
                                               void* data, int replyCapacity, int payloadLength,
                                               int timeout);

/* Why the last opening failed: one of the TERMPRO_INIT_ values. */
TERMLINK_API int TERMLINK_CALL TERMPRO_LASTERROR(void);

#ifdef __cplusplus
}
#endif

#endif /* TERMLINK_H */
