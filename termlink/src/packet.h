// The packet format: an 8-byte header (code, checksum, session, number; little-endian u16)
// followed by the payload. Pure functions over byte buffers.
#pragma once

#include <cstdint>

namespace termlink {

constexpr int kHeaderSize = 8;
constexpr int kOffsetCode = 0;
constexpr int kOffsetChecksum = 2;
constexpr int kOffsetSession = 4;
constexpr int kOffsetNumber = 6;

inline std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline void WriteU16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void WriteU32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The Internet checksum (RFC 1071) over little-endian 16-bit words, as a packet carries it.
std::uint16_t PacketChecksum(const std::uint8_t* bytes, int length);

// Writes the header fields and the checksum over the whole packet (header plus payload).
void SealPacket(std::uint8_t* packet, int length, std::uint16_t code, std::uint16_t session,
                std::uint16_t number);

// Checks a received packet of `length` bytes. The checksum field is left 0 in the buffer.
// A packet shorter than its header never passes, and nothing beyond `length` is read.
bool VerifyPacket(std::uint8_t* packet, int length);

} // namespace termlink
