#include "terminal_bulk.h"

#include "termlink.h"

#include <algorithm>
#include <numeric>

namespace termsim {

namespace {

constexpr std::size_t kHeaderPrepare = 13;
constexpr std::size_t kMostPackets = 65536; // the index travels in a 16-bit field

struct Piece {
    std::uint32_t index = 0;
    bool corrupt = false;
};

// The order in which the packets of answer `k` go out; `damaged` applies the misbehaviour.
std::vector<Piece> PacketOrder(std::uint32_t n, bool damaged, const Misbehaviour& m, int k) {
    std::vector<Piece> order(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        order[i].index = i;
    }
    if (!damaged || n == 0) {
        return order;
    }
    if (m.corrupt) {
        order[(n / 2 + static_cast<std::uint32_t>(k)) % n].corrupt = true;
    }
    if (m.reorder) {
        for (std::uint32_t i = 0; i + 2 < n; i += 2) {
            std::swap(order[i], order[i + 1]);
        }
    }
    if (m.gaps) {
        const auto skipped = static_cast<std::uint32_t>(k % 3);
        std::erase_if(order, [skipped](const Piece& p) { return p.index % 3 == skipped; });
    }
    if (m.duplicate && !order.empty()) {
        const Piece first = order.front();
        const Piece last = order.back();
        order.insert(order.begin() + 1, first);
        order.push_back(last);
    }
    return order;
}

Bytes RequestKey(const Responder& r) {
    Bytes key(2);
    PutU16(key.data(), r.request.header.code);
    key.insert(key.end(), r.request.payload.begin(), r.request.payload.end());
    return key;
}

} // namespace

std::shared_ptr<BulkTerminal> BulkTerminal::AddTo(TerminalModel& model, BulkSettings settings) {
    auto bulk = std::make_shared<BulkTerminal>(settings);
    const auto add = [&](std::uint16_t code, void (BulkTerminal::*handler)(Responder&)) {
        model.SetCommand(code, [bulk, handler](Responder& r) { (*bulk.*handler)(r); });
    };
    add(CMD_DATA_ANNOUNCE, &BulkTerminal::Announce);
    add(CMD_DATA_CHUNK, &BulkTerminal::Chunk);
    add(CMD_DATA_HASH, &BulkTerminal::Hash);
    add(kCmdStoreBlock, &BulkTerminal::Store);
    add(CMD_DATA_FREE, &BulkTerminal::Free);
    add(CMD_BUFFER_PREPARE, &BulkTerminal::Prepare);
    add(CMD_BUFFER_READ, &BulkTerminal::ReadBuffer);
    return bulk;
}

void BulkTerminal::SetResult(TerminalModel& model, std::uint16_t command, Bytes result) {
    results_[command] = std::move(result);
    std::shared_ptr<BulkTerminal> self = shared_from_this();
    model.SetCommand(command, [self](Responder& r) { self->Result(r); });
}

void BulkTerminal::SetDatabase(TerminalModel& model, std::uint8_t number, Bytes data) {
    databases_[number] = std::move(data);
    std::shared_ptr<BulkTerminal> self = shared_from_this();
    model.SetCommand(kCmdDatabase, [self](Responder& r) { self->Result(r); });
}

const Bytes* BulkTerminal::StoredBlock(std::uint16_t session) const {
    const auto found = sessions_.find(session);
    return found != sessions_.end() ? found->second.stored.get() : nullptr;
}

void BulkTerminal::Announce(Responder& r) {
    if (r.request.payload.size() < 4) {
        r.Reply(REPLY_ERROR);
        return;
    }
    Block& block = State(r).block;
    block = Block{};
    block.announced = true;
    block.length = GetU32(r.request.payload.data());
    r.Reply(REPLY_OK);
}

void BulkTerminal::Chunk(Responder& r) {
    Block& block = State(r).block;
    if (!block.announced) {
        r.Reply(REPLY_ERROR);
        return;
    }
    // The library sends a chunk again under the same number when its answer went astray.
    const std::uint16_t number = r.request.header.number;
    const std::size_t start =
        block.anyChunk && number == block.lastNumber ? block.lastStart : block.bytes.size();
    const std::span<const std::uint8_t> chunk = r.request.payload;
    if (start + chunk.size() > block.length) {
        r.Reply(REPLY_ERROR);
        return;
    }
    block.bytes.resize(start);
    block.bytes.insert(block.bytes.end(), chunk.begin(), chunk.end());
    block.anyChunk = true;
    block.lastNumber = number;
    block.lastStart = start;
    r.Reply(REPLY_ACCEPTED);
}

void BulkTerminal::Hash(Responder& r) {
    const Block& block = State(r).block;
    if (settings.hash == HashAnswer::Unsupported) {
        r.Reply(REPLY_UNSUPPORTED);
        return;
    }
    if (!block.announced) {
        r.Reply(REPLY_ERROR);
        return;
    }
    std::uint32_t hash = BlockHash(block.bytes);
    if (settings.hash == HashAnswer::Wrong) {
        hash ^= 1;
    }
    std::uint8_t payload[4];
    PutU32(payload, hash);
    r.Reply(REPLY_OK, payload);
}

void BulkTerminal::Store(Responder& r) {
    SessionState& s = State(r);
    if (!s.block.announced || s.block.bytes.size() != s.block.length) {
        r.Reply(REPLY_ERROR);
        return;
    }
    s.stored = std::make_unique<Bytes>(s.block.bytes);
    r.Reply(REPLY_OK);
}

void BulkTerminal::Free(Responder& r) {
    SessionState& s = State(r);
    s.block = Block{};
    s.buffer = Buffer{};
    s.damagedAnswers.clear();
    r.Reply(REPLY_OK);
}

void BulkTerminal::Prepare(Responder& r) {
    if (!settings.buffers) {
        r.Reply(REPLY_UNSUPPORTED);
        return;
    }
    const std::span<const std::uint8_t> payload = r.request.payload;
    const Bytes* result =
        payload.size() >= 3 ? FindResult(GetU16(&payload[1]), payload.subspan(3)) : nullptr;
    if (result == nullptr) {
        r.Reply(REPLY_ERROR);
        return;
    }
    Buffer& buffer = State(r).buffer;
    buffer.prepared = true;
    buffer.transfer = settings.compress ? Compress(*result) : *result;
    std::uint8_t header[kHeaderPrepare];
    header[0] = settings.compress ? 1 : 0;
    PutU32(header + 1, static_cast<std::uint32_t>(buffer.transfer.size()));
    PutU32(header + 5, static_cast<std::uint32_t>(result->size()));
    PutU32(header + 9, BlockHash(buffer.transfer));
    r.Reply(REPLY_OK, header);
}

void BulkTerminal::ReadBuffer(Responder& r) {
    const Buffer& buffer = State(r).buffer;
    const std::span<const std::uint8_t> payload = r.request.payload;
    if (!buffer.prepared || payload.size() < 8) {
        r.Reply(REPLY_ERROR);
        return;
    }
    const std::size_t size = buffer.transfer.size();
    const std::size_t offset = GetU32(payload.data());
    if (offset > size) {
        r.Reply(REPLY_ERROR);
        return;
    }
    const std::size_t length = std::min<std::size_t>(GetU32(payload.data() + 4), size - offset);
    SendResult(r, std::span<const std::uint8_t>(buffer.transfer).subspan(offset, length));
}

void BulkTerminal::Result(Responder& r) {
    const Bytes* result = FindResult(r.request.header.code, r.request.payload);
    if (result == nullptr) {
        r.Reply(REPLY_ERROR);
        return;
    }
    SendResult(r, *result);
}

void BulkTerminal::SendResult(Responder& r, std::span<const std::uint8_t> result) {
    const std::uint32_t packetSize = std::max<std::uint32_t>(settings.packetSize, 1);
    const std::size_t packets = (result.size() + packetSize - 1) / packetSize;
    if (packets > kMostPackets) {
        r.Reply(REPLY_ERROR);
        return;
    }
    std::uint8_t announce[8];
    PutU32(announce, static_cast<std::uint32_t>(result.size()));
    PutU32(announce + 4, packetSize);
    r.Reply(CMD_DATA_ANNOUNCE, announce);

    const Misbehaviour& m = settings.misbehaviour;
    int answer = 0;
    bool damaged = false;
    if (m.Any()) {
        int& given = State(r).damagedAnswers[RequestKey(r)];
        answer = given;
        damaged = given < m.answers;
        given += damaged ? 1 : 0;
    }
    for (const Piece& piece :
         PacketOrder(static_cast<std::uint32_t>(packets), damaged, m, answer)) {
        const std::size_t offset = std::size_t{piece.index} * packetSize;
        const std::size_t length = std::min<std::size_t>(packetSize, result.size() - offset);
        std::vector<std::uint8_t> packet =
            MakePacket(CMD_DATA_CHUNK, static_cast<std::uint16_t>(piece.index),
                       r.request.header.number, result.subspan(offset, length));
        if (piece.corrupt) {
            packet.back() ^= 0x5A; // the last payload byte
        }
        r.SendBytes(std::move(packet));
    }
}

const Bytes* BulkTerminal::FindResult(std::uint16_t command,
                                      std::span<const std::uint8_t> parameters) const {
    if (command == kCmdDatabase) {
        const auto found = parameters.empty() ? databases_.end() : databases_.find(parameters[0]);
        return found != databases_.end() ? &found->second : nullptr;
    }
    const auto found = results_.find(command);
    return found != results_.end() ? &found->second : nullptr;
}

} // namespace termsim
