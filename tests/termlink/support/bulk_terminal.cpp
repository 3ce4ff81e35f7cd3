#include "bulk_terminal.h"

#include "terminal_data.h"
#include "termlink.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace scripted {

namespace {

constexpr int kMostPackets = 1 << 16;

// Every data piece in order, for the responders to take a prefix of.
const std::vector<DataPiece>& InOrder() {
    static const std::vector<DataPiece> pieces = [] {
        std::vector<DataPiece> all(kMostPackets);
        for (int i = 0; i < kMostPackets; ++i) {
            all[static_cast<std::size_t>(i)].index = i;
        }
        return all;
    }();
    return pieces;
}

int PacketCount(std::uint32_t total, std::uint32_t packetSize) {
    if (packetSize == 0) {
        return 0;
    }
    return static_cast<int>(std::min<std::uint64_t>(
        (std::uint64_t{total} + packetSize - 1) / packetSize, kMostPackets));
}

void Put32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

} // namespace

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
    }
    return bytes;
}

std::uint32_t PayloadU32(const Packet& packet, int offset) {
    const int at = 8 + offset;
    if (packet.size < at + 4) {
        return 0;
    }
    const std::uint8_t* p = packet.data + at;
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) |
           (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t TerminalHash(const Bytes& bytes) {
    return termsim::BlockHash(bytes);
}

Bytes Compress(const Bytes& bytes) {
    return termsim::Compress(bytes);
}

void ServeTransfers(Terminal& terminal, std::uint16_t command, const Bytes& result,
                    const std::vector<Transfer>& transfers) {
    auto next = std::make_shared<std::atomic<std::size_t>>(0);
    const auto resultSize = static_cast<std::uint32_t>(result.size());
    auto data = std::make_shared<Bytes>(result);
    data->resize(data->size() + 65536); // room for packets that reach beyond the result
    terminal.SetResponder([&terminal, command, data, resultSize, transfers,
                           next](const Packet& request) {
        if (request.code() != command) {
            if (request.code() == CMD_CONNECT || request.code() == CMD_DISCONNECT) {
                terminal.DefaultRespond(request);
            } else if (request.code() != REPLY_OK) {
                terminal.Reply(request, REPLY_OK);
            }
            return;
        }
        const Transfer& t = transfers[std::min(next->fetch_add(1), transfers.size() - 1)];
        terminal.Announce(request, t.total, t.packetSize);
        // In order: the packets of the announced total, as far as the result reaches.
        const std::uint32_t size = std::min(t.total, resultSize);
        const bool all = t.pieces.empty();
        const DataPiece* pieces = all ? InOrder().data() : t.pieces.data();
        const int count = all ? PacketCount(size, t.packetSize) : static_cast<int>(t.pieces.size());
        terminal.DeliverData(request.number(), data->data(), static_cast<int>(size),
                             static_cast<int>(t.packetSize), pieces, count);
        terminal.DeliverSilence(t.silences);
    });
}

PreparedBuffer PlainBuffer(const Bytes& result) {
    PreparedBuffer buffer;
    buffer.transfer = result;
    buffer.resultSize = static_cast<std::uint32_t>(result.size());
    buffer.hash = TerminalHash(result);
    return buffer;
}

PreparedBuffer CompressedBuffer(const Bytes& result) {
    PreparedBuffer buffer;
    buffer.transfer = Compress(result);
    buffer.compressed = true;
    buffer.resultSize = static_cast<std::uint32_t>(result.size());
    buffer.hash = TerminalHash(buffer.transfer);
    return buffer;
}

void ServeBuffer(Terminal& terminal, const PreparedBuffer& buffer) {
    auto state = std::make_shared<PreparedBuffer>(buffer);
    auto header = std::make_shared<std::array<std::uint8_t, 13>>();
    (*header)[0] = buffer.compressed ? 1 : 0;
    Put32(header->data() + 1, static_cast<std::uint32_t>(buffer.transfer.size()));
    Put32(header->data() + 5, buffer.resultSize);
    Put32(header->data() + 9, buffer.hash);
    const auto size = static_cast<std::uint32_t>(buffer.transfer.size());
    state->transfer.resize(state->transfer.size() + 65536);
    auto overlongLeft = std::make_shared<std::atomic<int>>(buffer.overlongAnswers);
    terminal.SetResponder([&terminal, state, header, size, overlongLeft](const Packet& request) {
        switch (request.code()) {
        case CMD_CONNECT:
        case CMD_DISCONNECT:
            terminal.DefaultRespond(request);
            break;
        case CMD_BUFFER_PREPARE:
            terminal.Reply(request, REPLY_OK, header->data(), static_cast<int>(header->size()));
            break;
        case CMD_BUFFER_READ: {
            const std::uint32_t offset = std::min(PayloadU32(request, 0), size);
            const std::uint32_t length = PayloadU32(request, 4);
            std::uint32_t total = std::min(length, size - offset);
            const int left = overlongLeft->load();
            if (left != 0) {
                overlongLeft->store(left > 0 ? left - 1 : left);
                total += static_cast<std::uint32_t>(state->overlongBlocks);
            }
            const auto packetSize = static_cast<std::uint32_t>(state->packetSize);
            terminal.Announce(request, total, packetSize);
            terminal.DeliverData(request.number(), state->transfer.data() + offset,
                                 static_cast<int>(total), state->packetSize, InOrder().data(),
                                 PacketCount(total, packetSize));
            terminal.DeliverSilence(3);
            break;
        }
        case REPLY_OK:
            break;
        default:
            terminal.Reply(request, REPLY_OK);
            break;
        }
    });
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> BlockRequests(const Terminal& terminal) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> blocks;
    for (const Packet& p : terminal.Requests()) {
        if (p.code() == CMD_BUFFER_READ) {
            blocks.emplace_back(PayloadU32(p, 0), PayloadU32(p, 4));
        }
    }
    return blocks;
}

} // namespace scripted
