// The terminal's side of the bulk transfers, scripted on the scripted terminal: results sent as
// announced multi-packet transfers, and prepared buffers (plain or LZO-compressed) served block
// by block. The responders only read what was built before the transaction.
#pragma once

#include "scripted_terminal.h"

#include <vector>

namespace scripted {

// `size` bytes of a recognisable pattern.
Bytes Pattern(std::size_t size, std::uint8_t seed = 1);

// The little-endian u32 at `offset` of a packet's payload (0 beyond its end).
std::uint32_t PayloadU32(const Packet& packet, int offset);

// The terminal's hash of a data block.
std::uint32_t TerminalHash(const Bytes& bytes);

// LZO1X-1 compression, as the terminal prepares a compressed buffer.
Bytes Compress(const Bytes& bytes);

// What the terminal sends in answer to one read request: an announcement, data packets, then
// reads that come back empty at once (so that waits for silence end without a time-out).
struct Transfer {
    Transfer(std::uint32_t size = 0, std::uint32_t packet = 1024, std::vector<DataPiece> order = {},
             int emptyReads = 3)
        : total(size), packetSize(packet), pieces(std::move(order)), silences(emptyReads) {}

    std::uint32_t total;
    std::uint32_t packetSize;
    std::vector<DataPiece> pieces; // empty: every packet once, in order
    int silences;
};

// Answers each request with code `command` by the next transfer of the list (the last one
// repeats), cut from `result`; connect and disconnect as usual, anything else with REPLY_OK.
void ServeTransfers(Terminal& terminal, std::uint16_t command, const Bytes& result,
                    const std::vector<Transfer>& transfers);

// A buffer that the terminal prepares for a buffered read.
struct PreparedBuffer {
    Bytes transfer; // the bytes read from the buffer (compressed or not)
    bool compressed = false;
    std::uint32_t resultSize = 0;
    std::uint32_t hash = 0;   // the header's hash of the transfer bytes
    int packetSize = 1024;    // of the block answers
    int overlongBlocks = 0;   // bytes announced beyond each block asked for
    int overlongAnswers = -1; // how many block answers carry them; -1: all
};

PreparedBuffer PlainBuffer(const Bytes& result);
PreparedBuffer CompressedBuffer(const Bytes& result);

// Serves a buffered read: CMD_BUFFER_PREPARE gets REPLY_OK with the 13-byte header,
// CMD_BUFFER_READ (u32 offset, u32 length) the block as a multi-packet transfer, and
// CMD_DATA_FREE REPLY_OK. Requests with other codes get REPLY_OK.
void ServeBuffer(Terminal& terminal, const PreparedBuffer& buffer);

// The (offset, length) pairs of the block requests that were sent.
std::vector<std::pair<std::uint32_t, std::uint32_t>> BlockRequests(const Terminal& terminal);

} // namespace scripted
