#include "terminal_wire.h"

#include <algorithm>
#include <cstdio>

namespace termsim {

std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void PutU16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value & 0xFF);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint32_t GetU32(const std::uint8_t* p) {
    return GetU16(p) | (static_cast<std::uint32_t>(GetU16(p + 2)) << 16);
}

void PutU32(std::uint8_t* p, std::uint32_t value) {
    PutU16(p, static_cast<std::uint16_t>(value & 0xFFFF));
    PutU16(p + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t Checksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        sum += GetU16(&bytes[i]);
        if ((sum & 0x80000000U) != 0) {
            sum = (sum & 0xFFFF) + (sum >> 16);
        }
    }
    if (i < bytes.size()) {
        sum += bytes[i];
    }
    while ((sum >> 16) != 0) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::vector<std::uint8_t> MakePacket(std::uint16_t code, std::uint16_t session,
                                     std::uint16_t number, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> packet(kHeaderSize + payload.size());
    PutU16(&packet[0], code);
    PutU16(&packet[4], session);
    PutU16(&packet[6], number);
    std::copy(payload.begin(), payload.end(), packet.begin() + kHeaderSize);
    PutU16(&packet[2], Checksum(packet));
    return packet;
}

bool ParsePacket(std::span<const std::uint8_t> packet, Header* header) {
    if (packet.size() < kHeaderSize) {
        return false;
    }
    header->code = GetU16(&packet[0]);
    header->checksum = GetU16(&packet[2]);
    header->session = GetU16(&packet[4]);
    header->number = GetU16(&packet[6]);
    // The checksum is computed with its own field taken as 0.
    std::vector<std::uint8_t> copy(packet.begin(), packet.end());
    PutU16(&copy[2], 0);
    return Checksum(copy) == header->checksum;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", b);
        if (!text.empty()) {
            text += ' ';
        }
        text += digits;
    }
    return text;
}

} // namespace termsim
