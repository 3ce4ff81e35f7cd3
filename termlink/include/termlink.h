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

/*
 * Every negative outcome, and the calls that give it. "code" is the code word on return (read as
 * int16_t), "result" the function's result. A REPLY_UNSUPPORTED answer also reads as -1 in the
 * code word; it is the terminal's, not the library's.
 *
 *   code ERR_NO_REPLY (-2)
 *     TERMPRO_SENDCMD        no definitive reply within the attempts (time-outs, busy answers,
 *                            failed sends); result -2
 *     TERMPRO_SENDCMDDATA    the block was not sent (TERMPRO_SENDDATA gave 0); result 0
 *     TERMPRO_READDATA1      any answer but an announcement, inline data or REPLY_ERROR, or no
 *                            reply; result 0
 *     TERMPRO_READDATA2      the prepare got no reply; result -1
 *   code ERR_SEND_FAILED (-3)
 *     TERMPRO_SENDCMD        request larger than the receive buffer (result 0, nothing sent),
 *                            or the wait for the reply abandoned (result -3)
 *     TERMPRO_READDATA2      the wait for the prepare's reply abandoned; result -1
 *     every call with a code word, given no connection: result -3 (TERMPRO_SENDCMD), -1
 *                            (TERMPRO_READDATA2, and TERMPRO_READDATA for its buffered
 *                            commands) or 0 (the others)
 *     TERMPRO_READDATA1, TERMPRO_READDATA  a parameter length below 0 or above 1024; result 0
 *   code ERR_RECEIVE_FAILED (-5), TERMPRO_READDATA1 (and TERMPRO_READDATA's multi-packet reads)
 *     result 0               capacity below the announced total
 *     result -2              a packet failed its checksum (verified reception)
 *     result -3              a packet out of range, or shorter than its header
 *     result -4              silence before the transfer was complete
 *     result -5              any other incomplete transfer; an attempt abandoned by a processor
 *                            fault (Windows)
 *   code ERR_BAD_ANNOUNCEMENT (-6)
 *     TERMPRO_READDATA1      an announcement the read cannot take (see Limits below); result 0
 *   result -1
 *     TERMPRO_READDATA2      the prepare answered with anything but REPLY_OK or inline data (the
 *                            code word holds the answer or library code); no connection
 *     TERMPRO_READDB         no data or no capacity given (nothing sent); else as
 *                            TERMPRO_READDATA2
 *     TERMPRO_READMEMORY     a negative count, no buffer or no connection (nothing sent)
 *   result -2
 *     TERMPRO_READMEMORY     a block request answered with anything but the data, a receive
 *                            failure or an inline answer
 *     TERMPRO_READDATA2, TERMPRO_READDB, TERMPRO_READDATA  the same, from their block reads
 *   result -3
 *     TERMPRO_READMEMORY     blocks kept failing down to 1024 bytes and ten retries
 *     TERMPRO_READDATA2, TERMPRO_READDB, TERMPRO_READDATA  the same, from their block reads
 *   result TERMPRO_BUFFER_TOO_SMALL (-100)
 *     TERMPRO_READDATA2, TERMPRO_READDB, TERMPRO_READDATA  the caller's capacity cannot hold the
 *                            announced result (also an inline result: code CMD_DATA_CHUNK)
 *   result TERMPRO_NO_MEMORY (-101)
 *     TERMPRO_READDATA2, TERMPRO_READDB, TERMPRO_READDATA  the compressed copy cannot be allocated
 *   TERMPRO_SENDCMDDATA      a command answered with neither REPLY_OK nor REPLY_OK_NO_DATA:
 *                            that exchange's code and result (so -2 or -3 as TERMPRO_SENDCMD)
 *   TERMPRO_LASTERROR        -1 to -7 and -100 after a failed opening: the TERMPRO_INIT_ values
 *   TERMPRO_INIT, TERMPRO_INITEX  NULL for every failed opening
 */

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
 * Standard output: when a CMD_DATA_CHUNK request is answered with reply data and a code other
 * than REPLY_OK, the line "haha" and a line feed are written to the process's standard output.
 * It is the one line the library ever writes: the terminals' protocol prescribes this trace for a
 * refused chunk that came back with data, and callers may watch for it, so it stays as it is (a
 * caller that wants none redirects standard output).
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_SENDCMD(TermConnection* connection, uint16_t* code,
                                               void* data, int replyCapacity, int payloadLength,
                                               int timeout);

/* Why the last opening failed: one of the TERMPRO_INIT_ values. */
TERMLINK_API int TERMLINK_CALL TERMPRO_LASTERROR(void);

/*
 * Bulk transfers: data blocks to the terminal, and results too large for one reply.
 *
 * Limits. A terminal may announce sizes that the library or the caller's buffer cannot take.
 * Nothing is then written beyond a buffer; the outcomes are:
 *   - a multi-packet announcement with a packet size of 0 or less, a total that is negative as a
 *     signed 32-bit value, or (verified reception) more than 2048 packets:
 *     code word ERR_BAD_ANNOUNCEMENT, result 0, no further attempt;
 *   - a data packet shorter than its 8-byte header (or longer than the receive buffer):
 *     ERR_RECEIVE_FAILED with result -3, like any packet out of range;
 *   - a parameter length above 1024 or below 0 (TERMPRO_READDATA1, TERMPRO_READDATA):
 *     ERR_SEND_FAILED, result 0, nothing sent;
 *   - an inline result longer than the capacity (TERMPRO_READDATA2): TERMPRO_BUFFER_TOO_SMALL,
 *     code word CMD_DATA_CHUNK, nothing copied;
 *   - an uncompressed buffer larger than the capacity (TERMPRO_READDATA2):
 *     TERMPRO_BUFFER_TOO_SMALL after the buffer is freed, like a result size above the capacity;
 *   - a block answer longer than the block asked for: a failed try of the block, as for a
 *     total beyond the capacity; TERMPRO_READMEMORY tries again, then divides the block by 8,
 *     and returns -3 when it keeps coming (TERMPRO_READDATA2 too, after the free);
 *   - a compressed buffer whose copy cannot be allocated (TERMPRO_READDATA2): TERMPRO_NO_MEMORY
 *     after the buffer is freed;
 *   - a negative count (TERMPRO_READMEMORY): -1, nothing sent;
 *   - a compressed stream that would expand beyond the capacity, or to another length than
 *     announced, or that is longer than LZO1X ever makes the announced result (it is then not
 *     read): the read counts as failed (result 0).
 */

/* Library code of the multi-packet read, written to the code word like the codes above. */
enum {
    ERR_BAD_ANNOUNCEMENT = -6 /* the terminal announced a transfer the read cannot take */
};

/* Results of the buffered reads besides a length, 0, -1, -2 and -3. */
enum {
    TERMPRO_BUFFER_TOO_SMALL = -100, /* the caller's buffer cannot hold what was announced */
    TERMPRO_NO_MEMORY = -101         /* the compressed copy of the result cannot be allocated */
};

/*
 * Sends a data block: announces its length (CMD_DATA_ANNOUNCE, with the given time-out), then
 * sends it in chunks of the largest payload the connection carries (1024 bytes, 65528 on "TCP"
 * transports), each tried up to five times. The chunk time-out adapts: it starts from the first
 * call's time-out, grows by 500 ms for each try whose wait ran out (the transfer stops at once
 * when that takes it to 5000 ms or more without a reply), and is re-estimated from the measured
 * time after chunks 1, 11, 21 ... (at least 150 ms). It carries over to later calls.
 * Returns 1 when every chunk was accepted (and for a length of 0, even when the announcement
 * was refused), else 0: for a refused announcement, a chunk refused five times, a negative
 * length (announced as its 32-bit value, no chunk sent) or a null block.
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_SENDDATA(TermConnection* connection, const char* data,
                                                int length, int timeout);

/*
 * Sends a data block with TERMPRO_SENDDATA, asks the terminal for its hash of it (CMD_DATA_HASH;
 * a terminal answering REPLY_UNSUPPORTED is not checked), runs the command in *code with the
 * parameters (time-out 4 x timeout; parameterLength + 8 must fit the connection's packets),
 * then frees the terminal's data buffer (CMD_DATA_FREE, tried twice when not acknowledged).
 *   success: *code = REPLY_OK, result of the last free exchange;
 *   block not sent: *code = ERR_NO_REPLY, 0;
 *   hash refused or different: *code unchanged (the command), 0, the command is not run;
 *   command answered with neither REPLY_OK nor REPLY_OK_NO_DATA: *code and result of that
 *   exchange, and no free is sent.
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_SENDCMDDATA(TermConnection* connection, uint16_t* code,
                                                   const char* data, int length,
                                                   const void* parameters, int parameterLength,
                                                   int timeout);

/*
 * Multi-packet read: sends the command in *code with the first parameterLength bytes of data as
 * parameters (at most 1024), and takes the result into data (capacity bytes): either inline in
 * a CMD_DATA_CHUNK reply, taken only when capacity is exactly its length + 1024, or as a
 * CMD_DATA_ANNOUNCE (u32 total, u32 packet size) followed by data packets, each placed by its
 * index (the session field) and waited for timeout / 3 ms. Non-zero verify asks for verified
 * reception: every packet's checksum is tested, and up to six attempts keep the packets that
 * arrived intact. The transport is drained before the call returns.
 *   *code REPLY_OK: the result's length;     REPLY_ERROR: 0 (the terminal has no data);
 *   ERR_RECEIVE_FAILED with 0: capacity below the announced total; -2: a packet failed its
 *   checksum; -3: a packet out of range; -4: silence before the transfer was complete; -5: any
 *   other incomplete transfer (also an attempt abandoned by a processor fault on Windows);
 *   CMD_DATA_CHUNK, 0: an inline result of another length; ERR_NO_REPLY, 0: any other answer,
 *   or no reply; ERR_BAD_ANNOUNCEMENT, ERR_SEND_FAILED: see Limits above.
 * On Windows each attempt is guarded against processor faults (structured exception handling),
 * in the transport library too: a fault abandons the attempt, which counts as used.
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_READDATA1(TermConnection* connection, uint16_t* code,
                                                 char* data, int capacity, int parameterLength,
                                                 int verify, int timeout);

/*
 * Reads count bytes of the terminal's prepared buffer, from offset on, into data (count bytes),
 * in blocks read with the multi-packet read (request code: the low 16 bits of command; verified
 * reception, tries per block). The block size starts from blockSize, pulled halfway towards the
 * size that last worked on this connection when larger; a block that fails is retried at an
 * eighth of its size, down to 1024 bytes, where ten more failures end the read. A block size of
 * 0 or less reads as 1024.
 * Returns count, -1 (negative count, or no buffer; nothing sent), -2 (a block request was
 * answered with anything but the data, a receive failure or an inline answer) or -3 (blocks
 * kept failing).
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_READMEMORY(TermConnection* connection, int command,
                                                  int offset, int count, int blockSize,
                                                  int triesPerBlock, char* data);

/*
 * Buffered read: asks the terminal to run the command in *code into a buffer
 * (CMD_BUFFER_PREPARE with the first 8 bytes of the parameters in data), reads the buffer with
 * TERMPRO_READMEMORY up to five times until its hash matches, frees it, and decompresses an
 * LZO1X-compressed buffer into data (capacity bytes).
 * Returns the result's length (*code: the free's answer, REPLY_OK when acknowledged; REPLY_OK
 * for an inline result), 0 for an empty result, for a hash that differed five times or a
 * decompression that failed, -1 when the prepare was answered otherwise (*code holds the answer,
 * e.g. REPLY_UNSUPPORTED or REPLY_ERROR), -2 or -3 from the block reads, TERMPRO_BUFFER_TOO_SMALL
 * or TERMPRO_NO_MEMORY. The reader thread stays paused until the next exchange.
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_READDATA2(TermConnection* connection, uint16_t* code,
                                                 char* data, int capacity, int parameterLength,
                                                 int blockSize, int timeout);

/*
 * Reads a database: TERMPRO_READDATA2 of command 7 with the low byte of parameter as its one
 * parameter byte (written to data[0]), capacity *capacity (only read) and a time-out of 1000 ms.
 * Without data or capacity it returns -1 and sends nothing.
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_READDB(TermConnection* connection, int parameter,
                                              int blockSize, char* data, int* capacity);

/*
 * The general read: commands 6, 7, 9, 11, 13, 34, 111 and 120 go through the buffered read
 * (a block size below 496 reads as 8192); when the terminal does not support buffers
 * (REPLY_UNSUPPORTED) they are read again with the multi-packet read, and REPLY_ERROR gives 0.
 * Every other command is a multi-packet read with verified reception (block size ignored).
 * Code word and result as for TERMPRO_READDATA2 or TERMPRO_READDATA1.
 */
TERMLINK_API int TERMLINK_CALL TERMPRO_READDATA(TermConnection* connection, uint16_t* code,
                                                char* data, int capacity, int parameterLength,
                                                int blockSize, int timeout);

#ifdef __cplusplus
}
#endif

#endif /* TERMLINK_H */
