// The multi-packet read: TERMPRO_READDATA1 sends a read request and takes the result as an
// announcement followed by numbered data packets read straight from the transport, or inline in
// the reply. With verified reception every packet's checksum is tested, and up to six attempts
// share a bitmap of the packets that arrived intact.
#include "bulk.h"
#include "fault_guard.h"
#include "packet.h"
#include "reader.h"

#include <algorithm>
#include <cstring>

namespace termlink {

namespace {

constexpr int kWorkingCapacity = 1032; // reply capacity of the read request
constexpr int kInlineSlack = 1024;
constexpr int kVerifiedAttempts = 6;
constexpr int kTrailingReadMs = 100;
constexpr int kDrainReadMs = 200;
constexpr int kInlinePauseMs = 1;

// Receive results that the code word ERR_RECEIVE_FAILED comes with (the table of negative
// outcomes in termlink.h lists them for callers).
constexpr int kChecksumFailed = -2;
constexpr int kOutOfRange = -3;
constexpr int kSilence = -4;
constexpr int kIncomplete = -5;

constexpr auto kReceiveFailed = static_cast<std::uint16_t>(ERR_RECEIVE_FAILED);
constexpr auto kBadAnnouncement = static_cast<std::uint16_t>(ERR_BAD_ANNOUNCEMENT);

// One call of the multi-packet read: its arguments, the bitmaps and the outcome of the last
// attempt. The attempt flags live here too, so that an attempt allocates nothing and a fault
// that abandons it leaves nothing behind.
struct MultiRead {
    TermConnection* connection = nullptr;
    std::uint8_t* data = nullptr;
    int capacity = 0;
    int parameterLength = 0;
    bool verify = false;
    int timeout = 0;
    int blockLength = -1;

    std::uint8_t saved[kMaxParameterLength] = {};
    std::uint8_t working[kWorkingCapacity] = {};
    std::uint8_t keep[kMaxPackets] = {};
    int keptTotal = 0;
    std::uint8_t attemptFlags[kMaxPackets] = {};

    std::uint16_t code = 0;
    int result = 0;
};

int ReadTransport(TermConnection* c, int capacity, int timeout) {
    return c->fnRead(c->transport, c->rxBuffer.get(), capacity, timeout);
}

// Swallows whatever the terminal still sends, so that a late packet of this transfer cannot be
// taken for the reply to the next request.
void Drain(TermConnection* c) {
    while (ReadTransport(c, kSmallBufferSize, kDrainReadMs) > 0) {
    }
}

void DrainProc(void* connection) {
    Drain(static_cast<TermConnection*>(connection));
}

void Fail(MultiRead& m, std::uint16_t code, int result) {
    m.code = code;
    m.result = result;
}

// The result inline in the reply: taken only when the capacity is exactly its length + 1024;
// otherwise the packets that may follow are swallowed and the code word stays CMD_DATA_CHUNK.
void TakeInline(MultiRead& m) {
    TermConnection* c = m.connection;
    const int length = c->replyLength;
    if (length >= 0 && std::int64_t{m.capacity} == std::int64_t{length} + kInlineSlack) {
        std::memcpy(m.data, c->rxBuffer.get() + kHeaderSize, static_cast<std::size_t>(length));
        m.code = REPLY_OK;
        m.result = length;
        return;
    }
    m.result = 0;
    if (ReadTransport(c, kSmallBufferSize, kTrailingReadMs) > 0) {
        do {
            os::SleepMs(kInlinePauseMs);
        } while (ReadTransport(c, kSmallBufferSize, kTrailingReadMs) > 0);
    }
}

// The announced result: data packets placed by their index until the transfer is complete, the
// link falls silent or a packet cannot be taken.
void ReceiveAnnounced(MultiRead& m) {
    TermConnection* c = m.connection;
    const auto total = static_cast<std::int32_t>(ReadU32(m.working));
    const auto packetSize = static_cast<std::int32_t>(ReadU32(m.working + 4));
    if (packetSize <= 0 || total < 0) {
        Fail(m, kBadAnnouncement, 0);
        return;
    }
    const std::int64_t packets = (std::int64_t{total} + packetSize - 1) / packetSize;
    // A block answer longer than the block asked for is refused like a total beyond the
    // capacity: a failed attempt, so that the request goes out again.
    const bool fits = total <= m.capacity && (m.blockLength < 0 || total <= m.blockLength);
    if (fits && m.verify && packets > kMaxPackets) {
        Fail(m, kBadAnnouncement, 0);
        return;
    }
    const auto n = static_cast<int>(packets);

    if (m.keptTotal != 0 && m.keptTotal != total) {
        m.keptTotal = 0;
        std::memset(m.keep, 0, static_cast<std::size_t>(std::min(n, kMaxPackets)));
    }
    if (!fits) {
        Fail(m, kReceiveFailed, 0);
        return;
    }
    std::uint8_t* flags = m.verify ? m.attemptFlags : nullptr;
    if (flags != nullptr) {
        std::memset(flags, 0, static_cast<std::size_t>(n));
    }

    const int wait = m.timeout / 3;
    // The request's number, compared modulo 65536: after request 65535 the sequence is 0.
    const auto wanted = static_cast<std::uint16_t>(c->sequence - 1);
    std::uint8_t* packet = c->rxBuffer.get();
    std::int64_t taken = 0;
    bool packetZero = false;
    m.result = 0;
    while (taken < packets + 1) {
        const int r = ReadTransport(c, c->rxBufferSize, wait);
        if (r <= 0) {
            if (PacketBitmapComplete(flags, m.keep, n)) {
                m.code = REPLY_OK;
                m.result = total;
            } else {
                Fail(m, kReceiveFailed, kSilence);
            }
            break;
        }
        if (r < kHeaderSize || r > c->rxBufferSize) {
            Fail(m, kReceiveFailed, kOutOfRange);
            break;
        }
        if (ReadU16(packet + kOffsetNumber) != wanted) {
            continue;
        }
        const int index = ReadU16(packet + kOffsetSession);
        if (index == 0) {
            packetZero = true;
        }
        const int payload = r - kHeaderSize;
        const std::int64_t offset = std::int64_t{index} * packetSize;
        if (index >= n || offset + payload > total) {
            Fail(m, kReceiveFailed, kOutOfRange);
            break;
        }
        // With verified reception only intact packets reach the caller's buffer: a damaged
        // repeat of a packet that already arrived must not overwrite it.
        if (flags != nullptr) {
            if (!VerifyPacket(packet, r)) {
                Fail(m, kReceiveFailed, kChecksumFailed);
                break;
            }
            flags[index] = 1;
        }
        std::memcpy(m.data + offset, packet + kHeaderSize, static_cast<std::size_t>(payload));
        ++taken;
        if (index + 1 == n && (flags == nullptr || PacketBitmapComplete(flags, m.keep, n))) {
            break;
        }
    }

    const bool complete = flags == nullptr
                              ? taken > 0 && packetZero
                              : m.result == total || PacketBitmapComplete(flags, m.keep, n);
    if (complete) {
        if (flags != nullptr) {
            ReadTransport(c, kSmallBufferSize, kTrailingReadMs); // a trailing repeat
        }
        m.code = REPLY_OK;
        m.result = total;
        return;
    }
    m.code = kReceiveFailed;
    if (m.result >= 0) {
        m.result = kIncomplete;
    }
    if (flags != nullptr) {
        for (int i = 0; i < n; ++i) {
            m.keep[i] = static_cast<std::uint8_t>(m.keep[i] | flags[i]);
        }
        m.keptTotal = total;
    }
}

// One attempt: the request, then what answers it, then the drain and the reader's release.
void ReceivePackets(MultiRead& m) {
    TermConnection* c = m.connection;
    Transact(c, &m.code, m.working, kWorkingCapacity, m.parameterLength, m.timeout, true, nullptr);
    const std::uint16_t answer = m.code;
    switch (answer) {
    case CMD_DATA_ANNOUNCE:
        ReceiveAnnounced(m);
        break;
    case CMD_DATA_CHUNK:
        TakeInline(m);
        break;
    case REPLY_ERROR:
        m.result = 0;
        break;
    default:
        Fail(m, static_cast<std::uint16_t>(ERR_NO_REPLY), 0);
        // When the exchange itself failed, a reader thread may be reading again already (it was
        // released after the send): the transport is its, so the caller's thread does not drain.
        if (c->noReaderThread == 0 && (answer == static_cast<std::uint16_t>(ERR_NO_REPLY) ||
                                       answer == static_cast<std::uint16_t>(ERR_SEND_FAILED))) {
            c->readerMayRead.set();
            return;
        }
        break;
    }
    Drain(c);
    c->readerMayRead.set();
}

void ReceivePacketsProc(void* read) {
    ReceivePackets(*static_cast<MultiRead*>(read));
}

// An attempt abandoned by a processor fault counts as an incomplete receive. A reader that the
// exchange held suspended is resumed; without a reader the transport is drained (guarded too).
void RecoverFromFault(MultiRead& m) {
    TermConnection* c = m.connection;
    Fail(m, kReceiveFailed, kIncomplete);
    if (c->readerSuspended) {
        c->readerSuspended = false;
        if (c->readerThread != nullptr) {
            c->readerThread->thread.resume();
        }
    }
    if (c->noReaderThread != 0) {
        os::CallGuarded(DrainProc, c);
    }
    c->readerMayRead.set();
}

} // namespace

bool AllBytesSet(const std::uint8_t* flags, int n) {
    if (flags == nullptr) {
        return true;
    }
    for (int i = 0; i < n; ++i) {
        if (flags[i] == 0) {
            return false;
        }
    }
    return true;
}

bool PacketBitmapComplete(const std::uint8_t* attemptFlags, const std::uint8_t* keepBitmap, int n) {
    if (attemptFlags == nullptr) {
        return true;
    }
    if (keepBitmap == nullptr) {
        return AllBytesSet(attemptFlags, n);
    }
    for (int i = 0; i < n; ++i) {
        if (attemptFlags[i] == 0 && keepBitmap[i] == 0) {
            return false;
        }
    }
    return true;
}

int ReadMultiPacket(TermConnection* c, std::uint16_t* code, std::uint8_t* data, int capacity,
                    const std::uint8_t* parameters, int parameterLength, bool verify, int timeout,
                    int blockLength) {
    if (parameterLength < 0 || parameterLength > kMaxParameterLength ||
        (parameterLength > 0 && parameters == nullptr)) {
        *code = static_cast<std::uint16_t>(ERR_SEND_FAILED);
        return 0;
    }
    MultiRead m;
    m.connection = c;
    m.data = data;
    m.capacity = data != nullptr ? capacity : 0;
    m.parameterLength = parameterLength;
    m.verify = verify;
    m.timeout = timeout;
    m.blockLength = blockLength;
    if (parameterLength > 0) {
        std::memcpy(m.saved, parameters, static_cast<std::size_t>(parameterLength));
    }

    const std::uint16_t command = *code;
    int attemptsLeft = verify ? kVerifiedAttempts : 1;
    while (attemptsLeft > 0) {
        m.code = command;
        std::memcpy(m.working, m.saved, static_cast<std::size_t>(parameterLength));
        std::memset(m.working + parameterLength, 0,
                    static_cast<std::size_t>(kWorkingCapacity - parameterLength));
        if (!os::CallGuarded(ReceivePacketsProc, &m)) {
            RecoverFromFault(m);
        }
        // An announcement the read cannot take would only come again.
        if (m.code == REPLY_ERROR || (m.code == REPLY_OK && m.result >= 0) ||
            m.code == kBadAnnouncement) {
            break;
        }
        --attemptsLeft;
    }
    if (attemptsLeft == 0 && verify && m.code == REPLY_OK) {
        m.code = static_cast<std::uint16_t>(ERR_NO_REPLY);
    }
    *code = m.code;
    return m.result;
}

} // namespace termlink

using namespace termlink;

extern "C" int TERMLINK_CALL TERMPRO_READDATA1(TermConnection* connection, std::uint16_t* code,
                                               char* data, int capacity, int parameterLength,
                                               int verify, int timeout) {
    if (connection == nullptr || code == nullptr) {
        if (code != nullptr) {
            *code = static_cast<std::uint16_t>(ERR_SEND_FAILED);
        }
        return 0;
    }
    auto* bytes = reinterpret_cast<std::uint8_t*>(data);
    return ReadMultiPacket(connection, code, bytes, capacity, bytes, parameterLength, verify != 0,
                           timeout, -1);
}
