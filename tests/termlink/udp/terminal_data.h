// The terminal's computations over data: the hash it answers for a received block and puts in
// a prepared buffer's header, and the LZO1X-1 compression of prepared buffers.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace termsim {

using Bytes = std::vector<std::uint8_t>;

// The 32-bit block hash, reduced modulo 0xFEFFFF. The top nibble is folded back with the
// signed shift the terminals use.
std::uint32_t BlockHash(std::span<const std::uint8_t> bytes);

// LZO1X-1 compression; empty when the compressor fails.
Bytes Compress(std::span<const std::uint8_t> bytes);

} // namespace termsim
