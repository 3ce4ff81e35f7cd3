#include "packet.h"

namespace termlink {

std::uint16_t PacketChecksum(const std::uint8_t* bytes, int length) {
    std::uint32_t sum = 0;
    int i = 0;
    for (; i + 1 < length; i += 2) {
        sum += ReadU16(bytes + i);
        if ((sum & 0x80000000U) != 0) {
            sum = (sum & 0xFFFFU) + (sum >> 16);
        }
    }
    if (i < length) {
        sum += bytes[i];
    }
    while ((sum >> 16) != 0) {
        sum = (sum & 0xFFFFU) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

void SealPacket(std::uint8_t* packet, int length, std::uint16_t code, std::uint16_t session,
                std::uint16_t number) {
    WriteU16(packet + kOffsetCode, code);
    WriteU16(packet + kOffsetChecksum, 0);
    WriteU16(packet + kOffsetSession, session);
    WriteU16(packet + kOffsetNumber, number);
    WriteU16(packet + kOffsetChecksum, PacketChecksum(packet, length));
}

bool VerifyPacket(std::uint8_t* packet, int length) {
    if (length < kHeaderSize) {
        return false;
    }
    std::uint16_t received = ReadU16(packet + kOffsetChecksum);
    WriteU16(packet + kOffsetChecksum, 0);
    return PacketChecksum(packet, length) == received;
}

} // namespace termlink
