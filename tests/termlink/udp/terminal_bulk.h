// The terminal's side of the bulk transfers, as commands of a TerminalModel (no I/O here either).
//
// Data blocks: CMD_DATA_ANNOUNCE (u32 length) starts a block; CMD_DATA_CHUNK appends a chunk and
// is answered REPLY_ACCEPTED (a chunk with the number of the previous one is that chunk sent
// again and replaces it); CMD_DATA_HASH answers the BlockHash of what arrived; kCmdStoreBlock
// keeps the whole block; CMD_DATA_FREE frees it.
//
// Results: a request with the code of a result is answered with CMD_DATA_ANNOUNCE (u32 total,
// u32 packet size) followed by the data packets (session field: the packet's index; number: the
// request's), or REPLY_ERROR when there is no such result. CMD_BUFFER_PREPARE runs a result's
// command into a buffer, LZO1X-1 compressed or not, and answers with its 13-byte header
// (compressed flag, transfer size, result size, hash of the transfer bytes); CMD_BUFFER_READ
// (u32 offset, u32 length) answers a block of that buffer like a result; CMD_DATA_FREE frees it.
// The database command takes the number of the database from its parameter byte.
#pragma once

#include "terminal_data.h"
#include "terminal_model.h"

#include <cstdint>
#include <map>
#include <memory>

namespace termsim {

constexpr std::uint16_t kCmdStoreBlock = 42; // keeps the data block just received
constexpr std::uint16_t kCmdDatabase = 7;    // reads the database named by its parameter byte

// How the terminal damages the data packets of its first answers to each request (the same code
// and parameters), counted until the next CMD_DATA_FREE. Later answers to the same request, when
// the library asks again, are sent in order and intact.
struct Misbehaviour {
    bool reorder = false; // the packets of each pair sent the other way round (the last stays last)
    bool gaps = false;    // every third packet left out, another third in each damaged answer
    bool duplicate = false; // the first packet sent twice, and the last once more after the end
    bool corrupt = false;   // one packet's payload damaged after its checksum was computed
    int answers = 1;        // how many answers to each request are damaged

    bool Any() const { return reorder || gaps || duplicate || corrupt; }
};

// What the terminal answers to CMD_DATA_HASH.
enum class HashAnswer { Correct, Wrong, Unsupported };

struct BulkSettings {
    std::uint32_t packetSize = 1024; // payload bytes per data packet
    bool buffers = true;             // false: CMD_BUFFER_PREPARE is answered REPLY_UNSUPPORTED
    bool compress = false;           // prepared buffers hold LZO1X-1 compressed data
    HashAnswer hash = HashAnswer::Correct;
    Misbehaviour misbehaviour;
};

class BulkTerminal : public std::enable_shared_from_this<BulkTerminal> {
public:
    // Adds the data-block and buffer commands to the model. The model's commands share the
    // returned object; change it only where the model may be changed (TerminalServer::With).
    static std::shared_ptr<BulkTerminal> AddTo(TerminalModel& model, BulkSettings settings = {});

    explicit BulkTerminal(BulkSettings s) : settings(s) {}

    // Serves `result` for requests with this code, straight or through a prepared buffer.
    void SetResult(TerminalModel& model, std::uint16_t command, Bytes result);
    // Serves `data` for the database command with this number.
    void SetDatabase(TerminalModel& model, std::uint8_t number, Bytes data);

    // The block that kCmdStoreBlock kept last on a session; null when none.
    const Bytes* StoredBlock(std::uint16_t session) const;

    BulkSettings settings;

private:
    struct Block {
        bool announced = false;
        std::uint32_t length = 0;
        Bytes bytes;
        bool anyChunk = false;
        std::uint16_t lastNumber = 0; // number of the last chunk appended
        std::size_t lastStart = 0;    // where that chunk starts in the block
    };
    struct Buffer {
        bool prepared = false;
        Bytes transfer;
    };
    struct SessionState {
        Block block;
        Buffer buffer;
        std::unique_ptr<Bytes> stored;
        std::map<Bytes, int> damagedAnswers; // per request: its code and parameters
    };

    void Announce(Responder& r);
    void Chunk(Responder& r);
    void Hash(Responder& r);
    void Store(Responder& r);
    void Free(Responder& r);
    void Prepare(Responder& r);
    void ReadBuffer(Responder& r);
    void Result(Responder& r);
    void SendResult(Responder& r, std::span<const std::uint8_t> result);

    const Bytes* FindResult(std::uint16_t command, std::span<const std::uint8_t> parameters) const;
    SessionState& State(const Responder& r) { return sessions_[r.session.id]; }

    std::map<std::uint16_t, SessionState> sessions_;
    std::map<std::uint16_t, Bytes> results_;
    std::map<std::uint8_t, Bytes> databases_;
};

} // namespace termsim
