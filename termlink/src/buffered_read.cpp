// Buffered reads: the terminal runs a command into a buffer, optionally LZO1X-compressed, and
// answers with a header of sizes and a hash. TERMPRO_READMEMORY reads such a buffer block by
// block with an adaptive block size; TERMPRO_READDATA2 runs the whole read (prepare, up to five
// hash-checked reads, free, decompression); TERMPRO_READDB reads a database; TERMPRO_READDATA
// picks the buffered or the multi-packet read by command.
#include "bulk.h"
#include "packet.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

namespace termlink {

std::atomic<int> scratchAllocationsBeforeFailure{-1};

namespace {

constexpr int kBlockTimeoutMs = 32000;
constexpr int kBlockSlack = 1024;
constexpr int kMinBlockSize = 1024;
constexpr int kBlockShrink = 8;
constexpr int kRetries = 10;
constexpr int kBlockRequestLength = 8;

constexpr int kRequestArea = 1048;
constexpr int kPrepareLength = 11;
constexpr int kPrepareParameters = 8;
constexpr int kPrepareExtraMs = 4;
constexpr int kFreeReplyCapacity = 1024;
constexpr int kFullReads = 5;
constexpr int kTriesPerBlock = 5;

constexpr int kDatabaseCommand = 7;
constexpr int kDatabaseTimeoutMs = 1000;
constexpr int kSmallestBlock = 496;
constexpr int kDefaultBlock = 8192;
constexpr std::uint16_t kBufferedCommands[] = {6, 7, 9, 11, 13, 34, 111, 120};

constexpr int kRefused = -1;
constexpr int kBufferTooSmall = -100;
constexpr int kNoMemory = -101;

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// Frees the terminal's prepared buffer; the code word then holds its answer.
void FreeBuffer(TermConnection* c, std::uint16_t* code, std::uint8_t* area, int timeout) {
    *code = CMD_DATA_FREE;
    Transact(c, code, area, kFreeReplyCapacity, 0, timeout, true, nullptr);
}

// The longest LZO1X stream for `size` bytes: the compressors' own worst case.
std::uint64_t LongestCompressed(std::uint32_t size) {
    return std::uint64_t{size} + size / 16 + 64 + 3;
}

bool Decompress(const std::uint8_t* transfer, int transferSize, std::uint8_t* data,
                std::uint32_t capacity, std::uint32_t resultSize) {
    static const bool ready = lzo_init() == LZO_E_OK;
    if (!ready) {
        return false;
    }
    // The checking decompressor: a stream that would expand beyond the capacity fails instead
    // of writing past it.
    lzo_uint produced = capacity;
    const int status = lzo1x_decompress_safe(transfer, static_cast<lzo_uint>(transferSize), data,
                                             &produced, nullptr);
    return status == LZO_E_OK && produced == resultSize;
}

} // namespace

int ReadMemoryBlock(TermConnection* c, std::uint16_t command, std::uint32_t offset, int length,
                    int tries, std::uint8_t* destination) {
    if (tries <= 0) {
        return -1;
    }
    const int capacity = ClampToInt(std::int64_t{length} + kBlockSlack);
    for (int attempt = 0; attempt < tries; ++attempt) {
        std::uint8_t request[kBlockRequestLength];
        WriteU32(request, offset);
        WriteU32(request + 4, static_cast<std::uint32_t>(length));
        std::uint16_t code = command;
        ReadMultiPacket(c, &code, destination, capacity, request, kBlockRequestLength, true,
                        kBlockTimeoutMs, length);
        if (code == REPLY_OK) {
            return 0;
        }
        if (code != static_cast<std::uint16_t>(ERR_RECEIVE_FAILED) && code != CMD_DATA_CHUNK) {
            return -2;
        }
    }
    return -1;
}

} // namespace termlink

using namespace termlink;

extern "C" int TERMLINK_CALL TERMPRO_READMEMORY(TermConnection* connection, int command, int offset,
                                                int count, int blockSize, int triesPerBlock,
                                                char* data) {
    TermConnection* c = connection;
    if (c == nullptr || count < 0 || (count > 0 && data == nullptr)) {
        return -1;
    }
    if (blockSize <= 0) {
        blockSize = kMinBlockSize;
    }
    if (c->readBlockSize == 0) {
        c->readBlockSize = blockSize;
    }
    // A larger request is pulled halfway towards the size that last worked.
    int block = blockSize;
    if (block > c->readBlockSize) {
        block = static_cast<int>((std::int64_t{c->readBlockSize} + block) / 2);
    }

    auto* destination = reinterpret_cast<std::uint8_t*>(data);
    auto position = static_cast<std::uint32_t>(offset);
    int retries = kRetries;
    int total = 0;
    while (count != 0) {
        const int length = std::min(block, count);
        const int outcome = ReadMemoryBlock(c, static_cast<std::uint16_t>(command), position,
                                            length, triesPerBlock, destination);
        if (outcome == 0) {
            position += static_cast<std::uint32_t>(length);
            destination += length;
            count -= length;
            total += length;
            c->readBlockSize = block;
            retries = kRetries;
            continue;
        }
        if (outcome == -2) {
            return -2;
        }
        block /= kBlockShrink;
        if (block < kMinBlockSize) {
            if (retries == 0) {
                return -3;
            }
            --retries;
            block = kMinBlockSize;
        }
    }
    return total;
}

extern "C" int TERMLINK_CALL TERMPRO_READDATA2(TermConnection* connection, std::uint16_t* code,
                                               char* data, int capacity, int parameterLength,
                                               int blockSize, int timeout) {
    TermConnection* c = connection;
    if (c == nullptr || code == nullptr) {
        if (code != nullptr) {
            *code = static_cast<std::uint16_t>(ERR_SEND_FAILED);
        }
        return kRefused;
    }
    auto* out = reinterpret_cast<std::uint8_t*>(data);
    // What the caller's buffer holds; a negative capacity holds nothing.
    const std::uint32_t room =
        out != nullptr && capacity > 0 ? static_cast<std::uint32_t>(capacity) : 0U;

    std::uint8_t area[kRequestArea] = {};
    area[0] = 1;
    WriteU16(area + 1, *code);
    const int parameters = out != nullptr ? std::clamp(parameterLength, 0, kPrepareParameters) : 0;
    if (parameters > 0) {
        std::memcpy(area + 3, out, static_cast<std::size_t>(parameters));
    }
    *code = CMD_BUFFER_PREPARE;
    Transact(c, code, area, kRequestArea, kPrepareLength,
             ClampToInt(std::int64_t{timeout} + kPrepareExtraMs), true, nullptr);

    if (*code == CMD_DATA_CHUNK) {
        // The result inline: no buffer was prepared.
        const int length = std::max<int>(c->replyLength, 0);
        if (static_cast<std::uint32_t>(length) > room) {
            return kBufferTooSmall;
        }
        if (length > 0) {
            std::memcpy(out, c->rxBuffer.get() + kHeaderSize, static_cast<std::size_t>(length));
        }
        *code = REPLY_OK;
        return length;
    }
    if (*code != REPLY_OK) {
        return kRefused;
    }

    const bool compressed = area[0] != 0;
    const auto transferSize = static_cast<std::int32_t>(ReadU32(area + 1));
    const std::uint32_t resultSize = ReadU32(area + 5);
    const std::uint32_t hash = ReadU32(area + 9);
    if (resultSize == 0 || transferSize <= 0) {
        return 0;
    }
    if (room < resultSize || (!compressed && static_cast<std::uint32_t>(transferSize) > room)) {
        FreeBuffer(c, code, area, timeout);
        return kBufferTooSmall;
    }
    // LZO1X never makes a result longer than this; a larger transfer cannot decompress to the
    // result, so it is neither allocated nor read.
    if (compressed &&
        std::uint64_t{static_cast<std::uint32_t>(transferSize)} > LongestCompressed(resultSize)) {
        FreeBuffer(c, code, area, timeout);
        return 0;
    }

    // A compressed buffer is read into a copy and decompressed into the caller's buffer once.
    std::unique_ptr<std::uint8_t[]> copy;
    std::uint8_t* destination = out;
    if (compressed) {
        if (!os::InjectedFailure(scratchAllocationsBeforeFailure)) {
            copy.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(transferSize)]);
        }
        if (!copy) {
            FreeBuffer(c, code, area, timeout);
            return kNoMemory;
        }
        destination = copy.get();
    }

    int read = 0;
    for (int attempt = 0; attempt < kFullReads; ++attempt) {
        read = TERMPRO_READMEMORY(c, CMD_BUFFER_READ, 0, transferSize, blockSize, kTriesPerBlock,
                                  reinterpret_cast<char*>(destination));
        if (read <= 0) {
            break;
        }
        if (static_cast<std::uint32_t>(
                BlockHash(destination, static_cast<std::uint32_t>(transferSize))) == hash) {
            break;
        }
        read = 0;
    }
    FreeBuffer(c, code, area, timeout);

    if (read > 0 && compressed && !Decompress(copy.get(), transferSize, out, room, resultSize)) {
        read = 0;
    }
    return read > 0 ? static_cast<int>(resultSize) : read;
}

extern "C" int TERMLINK_CALL TERMPRO_READDB(TermConnection* connection, int parameter,
                                            int blockSize, char* data, int* capacity) {
    if (data == nullptr || capacity == nullptr) {
        return kRefused;
    }
    data[0] = static_cast<char>(parameter & 0xFF);
    std::uint16_t code = kDatabaseCommand;
    return TERMPRO_READDATA2(connection, &code, data, *capacity, 1, blockSize, kDatabaseTimeoutMs);
}

extern "C" int TERMLINK_CALL TERMPRO_READDATA(TermConnection* connection, std::uint16_t* code,
                                              char* data, int capacity, int parameterLength,
                                              int blockSize, int timeout) {
    if (code == nullptr) {
        return 0;
    }
    const std::uint16_t command = *code;
    if (std::find(std::begin(kBufferedCommands), std::end(kBufferedCommands), command) ==
        std::end(kBufferedCommands)) {
        return TERMPRO_READDATA1(connection, code, data, capacity, parameterLength, 1, timeout);
    }
    if (blockSize < kSmallestBlock) {
        blockSize = kDefaultBlock;
    }
    const int result =
        TERMPRO_READDATA2(connection, code, data, capacity, parameterLength, blockSize, timeout);
    if (*code == REPLY_UNSUPPORTED) {
        // The parameters are still in data: the buffered read wrote nothing there.
        *code = command;
        return TERMPRO_READDATA1(connection, code, data, capacity, parameterLength, 1, timeout);
    }
    if (*code == REPLY_ERROR) {
        return 0;
    }
    return result;
}
