// Internal calls of the bulk transfers: sending data blocks, the multi-packet read and the
// buffered reads.
#pragma once

#include "connection.h"

#include <atomic>
#include <cstdint>

namespace termlink {

// The 32-bit hash that the library and the terminal compute over a data block, reduced to
// 0..16711678 (see block_hash.cpp).
int BlockHash(const std::uint8_t* bytes, std::uint32_t length);

// The chunk time-out after `chunks` accepted chunks, `elapsedMs` after the start of the block.
std::int32_t ReestimateChunkTimeout(std::int32_t chunkTimeout, std::uint32_t elapsedMs,
                                    std::uint32_t chunks);

// The keep bitmap of the multi-packet read has one byte per packet index.
constexpr int kMaxPackets = 2048;
constexpr int kMaxParameterLength = 1024;

// True when none of the n bytes is 0; also for an absent array and for n = 0.
bool AllBytesSet(const std::uint8_t* flags, int n);

// True when, for every index below n, the attempt flag or the keep flag is set. Without attempt
// flags (no verified reception) always true; without a keep bitmap it asks AllBytesSet.
bool PacketBitmapComplete(const std::uint8_t* attemptFlags, const std::uint8_t* keepBitmap, int n);

// The multi-packet read behind TERMPRO_READDATA1, with the parameters apart from data. A block
// length of 0 or more makes it a block read: an announced total above the block fails the
// attempt as one above the capacity does (ERR_RECEIVE_FAILED, result 0), so that nothing lands
// beyond the block. -1 for any other read.
int ReadMultiPacket(TermConnection* connection, std::uint16_t* code, std::uint8_t* data,
                    int capacity, const std::uint8_t* parameters, int parameterLength, bool verify,
                    int timeout, int blockLength);

// One block of a prepared buffer: 0 (read), -1 (tries used up, or none) or -2 (the terminal
// answered otherwise).
int ReadMemoryBlock(TermConnection* connection, std::uint16_t command, std::uint32_t offset,
                    int length, int tries, std::uint8_t* destination);

// Failure injection for tests: at k >= 0, k more scratch buffers of the buffered read are
// allocated and the next allocation fails (which turns the hook off again); -1 in normal use.
extern std::atomic<int> scratchAllocationsBeforeFailure;

} // namespace termlink
