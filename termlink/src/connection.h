// The connection record behind the TermConnection handle, and the library's internal calls.
#pragma once

#include "os.h"
#include "termlink.h"
#include "termlink_transport.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace termlink {

struct ReaderSlot;

// Receive buffer sizes: transports whose name begins "TCP" carry 64 KiB packets.
constexpr int kLargeBufferSize = 65536;
constexpr int kSmallBufferSize = 1032;

} // namespace termlink

// Fields in the order of the record. Those that the reader thread and the caller's thread
// both use are atomics; the events order the receive buffer between them.
//
// The record owns what an opening builds. Freeing it unwinds whatever was built, in this order:
// it stops the reader threads, closes the events, closes the transport and unloads its library,
// and frees the buffers; so a failed opening and TERMPRO_CLOSE end the same way.
struct TermConnection {
    TermConnection();
    ~TermConnection();
    TermConnection(const TermConnection&) = delete;
    TermConnection& operator=(const TermConnection&) = delete;

    void* transport = nullptr;
    termlink::os::Library library;
    EmbudpInitFn fnInit = nullptr;
    EmbudpCloseFn fnClose = nullptr;
    EmbudpSendFn fnSend = nullptr;
    EmbudpReadFn fnRead = nullptr;
    EmbudpTerminalReadFn fnTerminalRead = nullptr;
    EmbudpNameFn fnName = nullptr;
    std::unique_ptr<termlink::ReaderSlot> readerThread; // the running reader, null without one
    termlink::os::Event replyReady;
    termlink::os::Event readerMayRead;
    termlink::os::Event readerIdle;
    termlink::os::Event stopReader;
    TERMPRO_EVENT_CALLBACK eventCallback = nullptr;
    std::atomic<std::uint16_t> sessionId{0};
    std::atomic<std::uint16_t> sequence{0};
    std::atomic<std::int32_t> replyLength{-1};
    std::int32_t chunkTimeout = 0;
    std::int32_t readBlockSize = 0;
    std::unique_ptr<std::uint8_t[]> rxBuffer;
    std::int32_t rxBufferSize = 0;
    std::int32_t callbackValue = 0;
    char phoneNumber[20] = {};
    std::int32_t modemMode = 0;
    std::atomic<std::int32_t> modemCommandLength{0};
    std::atomic<std::int32_t> modemCommandKind{0};
    std::int32_t noReaderThread = 0;
    EmbudpSendToModemFn fnSendToModem = nullptr;
    EmbudpReadFromModemFn fnReadFromModem = nullptr;

    // Number of the last event passed to this connection's callback. Kept per connection:
    // one terminal's event must never be taken for a repeat of another terminal's.
    std::int32_t lastEventNumber = -1;
    // Scratch area in which each request is built (rxBufferSize bytes).
    std::unique_ptr<std::uint8_t[]> txBuffer;
    // Readers that Transact gave up on, each owning the next; joined at close (see reader.cpp).
    std::unique_ptr<termlink::ReaderSlot> abandonedReaders;
    // Set while Transact holds the reader suspended around a send, so that a receive attempt
    // abandoned by a processor fault there can resume it (see multi_read.cpp).
    bool readerSuspended = false;
};

namespace termlink {

// One request and its reply (see transact.cpp). Returns the reply's session field, -2, -3 or 0.
int Transact(TermConnection* connection, std::uint16_t* code, void* data, int replyCapacity,
             int payloadLength, int timeout, bool keepReaderPaused, int* timeoutCounter);

// Synchronous read of one packet for connections without a reader thread. Always 0.
int ReadOnePacket(TermConnection* connection, int timeout);

// Hands a verified non-event packet over as the reply when its number is not below that of the
// last request sent. `length` is the whole packet's.
void AcceptReply(TermConnection* connection, const std::uint8_t* packet, int length);

// Rewrites a received event packet's header in place into its acknowledgement and sends it.
void AcknowledgeEvent(TermConnection* connection, std::uint8_t* packet);

// The scrambled communication password sent with CMD_AUTHENTICATE (byte 0 = low byte).
std::uint32_t ScrambleCommKey(std::uint32_t password, std::uint16_t sessionId, std::uint8_t tick);
std::uint32_t ScrambleCommKey(std::uint32_t password, std::uint16_t sessionId);

// Process-wide reason of the last failed opening.
extern std::atomic<int> LastInitError;

} // namespace termlink
