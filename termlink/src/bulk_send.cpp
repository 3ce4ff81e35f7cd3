// Sending data blocks: TERMPRO_SENDDATA announces a block and sends it in chunks, each with an
// adaptive time-out; TERMPRO_SENDCMDDATA sends a block, checks the terminal's hash of it, runs a
// command on it and frees the terminal's data buffer.
#include "bulk.h"
#include "packet.h"

#include <algorithm>
#include <climits>

namespace termlink {

namespace {

constexpr int kChunkTries = 5;
constexpr std::int32_t kTimeoutStep = 500;
constexpr std::int32_t kEarlyStopTimeout = 5000;
constexpr std::int32_t kTimeoutFloor = 150;
constexpr int kReestimateEvery = 10;
constexpr int kAnnounceReplyCapacity = 16;
constexpr int kFreeTimeoutMs = 3000;

std::int32_t AddWrapping(std::int32_t value, std::int32_t step) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) +
                                     static_cast<std::uint32_t>(step));
}

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// Up to five tries of one chunk. False when the chunk was refused on every try, or when timed-out
// waits have pushed the chunk time-out so far that the transfer stops at once.
bool SendChunk(TermConnection* c, const std::uint8_t* chunk, int length) {
    for (int attempt = 1;; ++attempt) {
        int timedOut = 0;
        std::uint16_t code = CMD_DATA_CHUNK;
        // Transact only reads the payload: a reply capacity of 0 writes nothing back.
        Transact(c, &code, const_cast<std::uint8_t*>(chunk), 0, length, c->chunkTimeout, true,
                 &timedOut);
        if (timedOut > 0) {
            c->chunkTimeout = AddWrapping(c->chunkTimeout, kTimeoutStep);
            if (c->chunkTimeout >= kEarlyStopTimeout &&
                static_cast<std::int16_t>(code) == ERR_NO_REPLY) {
                return false;
            }
        }
        if (code == REPLY_OK || code == REPLY_ACCEPTED || code == REPLY_OK_NO_DATA) {
            return true;
        }
        if (attempt == kChunkTries) {
            return false;
        }
        // The repeated chunk carries the number of the try that failed.
        c->sequence = static_cast<std::uint16_t>(c->sequence - 1);
    }
}

// Announces the block and sends its chunks. Returns the number of bytes not sent.
int SendBlock(TermConnection* c, const std::uint8_t* data, int length, int timeout) {
    const std::uint32_t start = os::TickCount();
    if (c->chunkTimeout == 0) {
        c->chunkTimeout = timeout;
    }

    std::uint8_t announce[kAnnounceReplyCapacity] = {};
    WriteU32(announce, static_cast<std::uint32_t>(length));
    std::uint16_t code = CMD_DATA_ANNOUNCE;
    Transact(c, &code, announce, kAnnounceReplyCapacity, 4, timeout, false, nullptr);
    if (code != REPLY_OK) {
        return length;
    }

    const int chunkSize = c->rxBufferSize - kHeaderSize;
    int remaining = length;
    std::uint32_t accepted = 0;
    while (remaining > 0) {
        const int n = std::min(chunkSize, remaining);
        if (!SendChunk(c, data, n)) {
            return remaining;
        }
        ++accepted;
        if ((accepted - 1) % kReestimateEvery == 0) {
            c->chunkTimeout =
                ReestimateChunkTimeout(c->chunkTimeout, os::TickCount() - start, accepted);
        }
        data += n;
        remaining -= n;
    }
    return remaining; // a negative length stays unsent
}

} // namespace

std::int32_t ReestimateChunkTimeout(std::int32_t chunkTimeout, std::uint32_t elapsedMs,
                                    std::uint32_t chunks) {
    const std::uint32_t estimate =
        (elapsedMs / chunks + static_cast<std::uint32_t>(chunkTimeout) + 300U) / 2U;
    const auto value = static_cast<std::int32_t>(estimate);
    return value < kTimeoutFloor ? kTimeoutFloor : value;
}

} // namespace termlink

using namespace termlink;

extern "C" int TERMLINK_CALL TERMPRO_SENDDATA(TermConnection* connection, const char* data,
                                              int length, int timeout) {
    if (connection == nullptr) {
        return 0;
    }
    int remaining = length;
    if (data != nullptr || length <= 0) {
        remaining =
            SendBlock(connection, reinterpret_cast<const std::uint8_t*>(data), length, timeout);
    }
    connection->readerMayRead.set();
    return remaining == 0 ? 1 : 0;
}

extern "C" int TERMLINK_CALL TERMPRO_SENDCMDDATA(TermConnection* connection, std::uint16_t* code,
                                                 const char* data, int length,
                                                 const void* parameters, int parameterLength,
                                                 int timeout) {
    if (connection == nullptr || code == nullptr) {
        if (code != nullptr) {
            *code = static_cast<std::uint16_t>(ERR_SEND_FAILED);
        }
        return 0;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
    const int hash =
        bytes != nullptr && length > 0 ? BlockHash(bytes, static_cast<std::uint32_t>(length)) : 0;
    if (TERMPRO_SENDDATA(connection, data, length, timeout) == 0) {
        *code = static_cast<std::uint16_t>(ERR_NO_REPLY);
        return 0;
    }

    // The terminal's hash of what it received; a terminal that cannot tell is taken at its word.
    std::uint16_t hashCode = CMD_DATA_HASH;
    std::uint8_t terminalHash[4] = {};
    TERMPRO_SENDCMD(connection, &hashCode, terminalHash, sizeof terminalHash, 0, timeout);
    if (hashCode == REPLY_OK) {
        if (ReadU32(terminalHash) != static_cast<std::uint32_t>(hash)) {
            return 0;
        }
    } else if (hashCode != REPLY_UNSUPPORTED) {
        return 0;
    }

    int result = TERMPRO_SENDCMD(connection, code, const_cast<void*>(parameters), 0,
                                 parameterLength, ClampToInt(std::int64_t{timeout} * 4));
    if (*code != REPLY_OK && *code != REPLY_OK_NO_DATA) {
        return result;
    }

    *code = CMD_DATA_FREE;
    result = TERMPRO_SENDCMD(connection, code, nullptr, 0, 0, kFreeTimeoutMs);
    if (*code != REPLY_OK) {
        *code = CMD_DATA_FREE;
        result = TERMPRO_SENDCMD(connection, code, nullptr, 0, 0, kFreeTimeoutMs);
    }
    *code = REPLY_OK;
    return result;
}
