// The packet format as the terminal sees it: an 8-byte header (code, checksum, session, number;
// little-endian u16) and the payload. Written independently of the library's own codec, so that
// the end-to-end tests check one against the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace termsim {

constexpr std::size_t kHeaderSize = 8;

struct Header {
    std::uint16_t code = 0;
    std::uint16_t checksum = 0;
    std::uint16_t session = 0;
    std::uint16_t number = 0;
};

std::uint16_t GetU16(const std::uint8_t* p);
void PutU16(std::uint8_t* p, std::uint16_t value);
std::uint32_t GetU32(const std::uint8_t* p);
void PutU32(std::uint8_t* p, std::uint32_t value);

// RFC 1071 checksum over little-endian 16-bit words; an odd last byte counts as 0..255.
std::uint16_t Checksum(std::span<const std::uint8_t> bytes);

// A whole packet with its checksum filled in.
std::vector<std::uint8_t> MakePacket(std::uint16_t code, std::uint16_t session,
                                     std::uint16_t number,
                                     std::span<const std::uint8_t> payload = {});

// Reads the header of a received packet and checks its checksum. False for a packet shorter
// than its header or with a wrong checksum.
bool ParsePacket(std::span<const std::uint8_t> packet, Header* header);

// "D0 07 18 F8" for logs and messages.
std::string Hex(std::span<const std::uint8_t> bytes);

} // namespace termsim
