// A hostile terminal: the fuzz input is everything the transport returns while termlink runs a
// command (TERMPRO_SENDCMD), a multi-packet read (TERMPRO_READDATA1), a buffered read
// (TERMPRO_READDATA2, with its block reads and LZO) or the general read (TERMPRO_READDATA), on a
// connection without a reader thread, so that every read happens on this thread in order.
//
// Input:
//   byte 0     the call (bits 0-1), verified reception (bit 2), parameter length or block size
//              (bits 3-4), request number 65535 first (bit 5), the 64 KiB receive buffer (bit 7);
//   bytes 1-2  the caller's capacity (little-endian);
//   then one record per transport read: flags (1 byte), length (2 bytes), the bytes. Flags:
//     1  seal: the checksum field is set to match the bytes returned;
//     2  stamp: the number field gets the number of the last request sent;
//     4  claim: the read reports the record's length even when its capacity is smaller;
//     8  fail: the read reports -1.
// When the records run out, every read returns nothing, so every call comes to an end.
// With bit 6 of byte 0 the rest of the input is a prepared buffer instead (compressed flag, u16
// result size, the transfer bytes), served by an honest terminal whose header hash matches: so
// any LZO stream, however hostile, reaches the decompressor of TERMPRO_READDATA2.
// The caller's buffers are exactly as large as the capacity says, so that the sanitizer sees any
// write beyond them.
#include "bulk.h"
#include "clock.h"
#include "connection.h"
#include "packet.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace termlink;

namespace {

// The library's pauses return at once. Nothing here waits for another thread: a wait ends at
// once with what it finds.
class InstantClock final : public Clock {
public:
    std::uint32_t TickCount() override { return 0; }
    void Sleep(int) override {}
    bool WaitUntil(bool (*ready)(const void*), const void* argument, int) override {
        return ready(argument);
    }
    void Changed() override {}
    void ThreadStarting() override {}
    void ThreadEnded() override {}
};

struct Script {
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    std::size_t next = 0;
    std::uint16_t lastNumber = 0;
};

Script script;

// The honest terminal of a served buffer: what it will send, in order (empty: nothing came).
struct ServedBuffer {
    bool active = false;
    bool compressed = false;
    std::uint32_t resultSize = 0;
    const std::uint8_t* transfer = nullptr;
    std::uint32_t transferSize = 0;
    std::vector<std::vector<std::uint8_t>> queue;
    std::size_t next = 0;

    void Queue(std::uint16_t code, std::uint16_t session, std::uint16_t number,
               const std::uint8_t* payload, std::uint32_t length) {
        std::vector<std::uint8_t> packet(kHeaderSize + length);
        if (length > 0) {
            std::memcpy(packet.data() + kHeaderSize, payload, length);
        }
        SealPacket(packet.data(), static_cast<int>(packet.size()), code, session, number);
        queue.push_back(std::move(packet));
    }

    void Answer(const std::uint8_t* request, int length) {
        const std::uint16_t code = ReadU16(request + kOffsetCode);
        const std::uint16_t number = ReadU16(request + kOffsetNumber);
        if (code == CMD_BUFFER_PREPARE) {
            std::uint8_t header[13] = {static_cast<std::uint8_t>(compressed ? 1 : 0)};
            WriteU32(header + 1, transferSize);
            WriteU32(header + 5, resultSize);
            WriteU32(header + 9, static_cast<std::uint32_t>(BlockHash(transfer, transferSize)));
            Queue(REPLY_OK, 0x12, number, header, sizeof header);
        } else if (code == CMD_BUFFER_READ && length >= kHeaderSize + 8) {
            const std::uint32_t offset = std::min(ReadU32(request + kHeaderSize), transferSize);
            const std::uint32_t total =
                std::min(ReadU32(request + kHeaderSize + 4), transferSize - offset);
            std::uint8_t announce[8];
            WriteU32(announce, total);
            WriteU32(announce + 4, 1024);
            Queue(CMD_DATA_ANNOUNCE, 0x12, number, announce, sizeof announce);
            for (std::uint32_t at = 0, index = 0; at < total; at += 1024, ++index) {
                Queue(0, static_cast<std::uint16_t>(index), number, transfer + offset + at,
                      std::min<std::uint32_t>(1024, total - at));
            }
            queue.emplace_back();
            queue.emplace_back();
        } else {
            Queue(REPLY_OK, 0x12, number, nullptr, 0);
        }
    }

    int Read(std::uint8_t* buffer, int capacity) {
        if (next >= queue.size()) {
            return 0;
        }
        const std::vector<std::uint8_t>& packet = queue[next++];
        const int n = std::min(static_cast<int>(packet.size()), std::max(capacity, 0));
        if (n > 0) {
            std::memcpy(buffer, packet.data(), static_cast<std::size_t>(n));
        }
        return n;
    }
};

ServedBuffer served;

int EMBUDP_CALL Send(void*, const void* bytes, int length) {
    const auto* request = static_cast<const std::uint8_t*>(bytes);
    if (length >= kHeaderSize) {
        script.lastNumber = ReadU16(request + kOffsetNumber);
        if (served.active) {
            served.Answer(request, length);
        }
    }
    return 1;
}

int EMBUDP_CALL Close(void*) {
    return 1;
}

int EMBUDP_CALL Read(void*, void* buffer, int capacity, int) {
    if (served.active) {
        return served.Read(static_cast<std::uint8_t*>(buffer), capacity);
    }
    if (script.next + 3 > script.size) {
        return 0;
    }
    const std::uint8_t flags = script.bytes[script.next];
    std::size_t length = ReadU16(script.bytes + script.next + 1);
    script.next += 3;
    length = std::min(length, script.size - script.next);
    const std::uint8_t* record = script.bytes + script.next;
    script.next += length;
    if ((flags & 8) != 0) {
        return -1;
    }
    auto* packet = static_cast<std::uint8_t*>(buffer);
    const int n = std::min(static_cast<int>(length), std::max(capacity, 0));
    std::memcpy(packet, record, static_cast<std::size_t>(n));
    if (n >= kHeaderSize) {
        if ((flags & 2) != 0) {
            WriteU16(packet + kOffsetNumber, script.lastNumber);
        }
        if ((flags & 1) != 0) {
            WriteU16(packet + kOffsetChecksum, 0);
            WriteU16(packet + kOffsetChecksum, PacketChecksum(packet, n));
        }
    }
    return (flags & 4) != 0 ? static_cast<int>(length) : n;
}

std::unique_ptr<TermConnection> Connect(bool largeBuffer, bool wrapNumber) {
    auto c = std::make_unique<TermConnection>();
    c->transport = &script;
    c->fnClose = Close;
    c->fnSend = Send;
    c->fnRead = Read;
    c->rxBufferSize = largeBuffer ? kLargeBufferSize : kSmallBufferSize;
    c->rxBuffer.reset(new std::uint8_t[static_cast<std::size_t>(c->rxBufferSize)]);
    c->txBuffer.reset(new std::uint8_t[static_cast<std::size_t>(c->rxBufferSize)]);
    c->replyReady.create(false);
    c->readerMayRead.create(false);
    c->readerIdle.create(true);
    c->stopReader.create(false);
    c->readerMayRead.set();
    c->noReaderThread = 1;
    c->sessionId = 0x12;
    c->sequence = wrapNumber ? 65535 : 1;
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::uint8_t options = data[0];
    const int capacity = ReadU16(data + 1);
    script = Script{data + 3, size - 3, 0, 0};
    served = ServedBuffer{};
    if ((options & 0x40) != 0) {
        if (size < 6) {
            return 0;
        }
        served.active = true;
        served.compressed = data[3] != 0;
        served.resultSize = ReadU16(data + 4);
        served.transfer = data + 6;
        served.transferSize = static_cast<std::uint32_t>(size - 6);
    }
    static InstantClock clock;
    SetClock(&clock);
    auto connection = Connect((options & 0x80) != 0, (options & 0x20) != 0);
    const int variant = (options >> 3) & 3;
    constexpr int kParameterLengths[] = {0, 8, 12, 1024};
    constexpr int kBlockSizes[] = {0, 496, 1024, 8192};
    const int call = options & 3;
    const int parameterLength = call == 1 ? kParameterLengths[variant] : call == 2 ? 12 : 2;

    // The caller's buffer: exactly the capacity, or the parameters when they are longer.
    const auto bufferSize = static_cast<std::size_t>(std::max({capacity, parameterLength, 1}));
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[bufferSize]);
    std::memset(buffer.get(), 0x5A, bufferSize);
    auto* bytes = reinterpret_cast<char*>(buffer.get());

    std::uint16_t code = 9;
    int result = 0;
    switch (call) {
    case 0:
        code = 1010;
        result = TERMPRO_SENDCMD(connection.get(), &code, buffer.get(), capacity, 0, 1000);
        break;
    case 1:
        code = 1010;
        result = TERMPRO_READDATA1(connection.get(), &code, bytes, capacity, parameterLength,
                                   (options & 4) != 0 ? 1 : 0, 300);
        break;
    case 2:
        result = TERMPRO_READDATA2(connection.get(), &code, bytes, capacity, parameterLength,
                                   kBlockSizes[variant], 300);
        break;
    default:
        result =
            TERMPRO_READDATA(connection.get(), &code, bytes, capacity, parameterLength, 100, 300);
        break;
    }
    // TERMLINK_FUZZ_TRACE=1 shows what each input came to (for checking the seeds).
    static const bool trace = std::getenv("TERMLINK_FUZZ_TRACE") != nullptr;
    if (trace) {
        std::fprintf(stderr, "call %d: code %d, result %d\n", call, static_cast<std::int16_t>(code),
                     result);
    }
    return 0;
}
