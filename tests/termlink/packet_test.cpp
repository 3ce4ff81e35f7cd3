#include "packet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace termlink;

namespace {

struct ChecksumCase {
    std::vector<std::uint8_t> bytes;
    std::uint16_t expected;
};

TEST(PacketChecksum, KnownValues) {
    const ChecksumCase cases[] = {
        {{}, 0xFFFF},
        {{0xE8, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 0xFC17}, // connect request
        {{0xD0, 0x07, 0x00, 0x00, 0x12, 0x00, 0x05, 0x00}, 0xF818}, // event acknowledgement
        {{0x01}, 0xFFFE},                                           // odd length: last byte alone
        {{0x01, 0x02, 0x03}, static_cast<std::uint16_t>(~(0x0201 + 0x03))},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 0x0000}, // 0x1FFFE folds to 0xFFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PacketChecksum(c.bytes.data(), static_cast<int>(c.bytes.size())), c.expected)
            << "length " << c.bytes.size();
    }
}

TEST(PacketChecksum, LongRunFoldsWhenTopBitSet) {
    // 65536 words of 0xFFFF overflow 31 bits without folding; the folded sum is 0xFFFF.
    std::vector<std::uint8_t> bytes(2 * 65536 + 2, 0xFF);
    EXPECT_EQ(PacketChecksum(bytes.data(), static_cast<int>(bytes.size())), 0x0000);
}

TEST(Packet, SealAndVerify) {
    std::uint8_t packet[8];
    SealPacket(packet, 8, 1000, 0, 0);
    const std::uint8_t expected[8] = {0xE8, 0x03, 0x17, 0xFC, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(packet, expected, 8));
    EXPECT_TRUE(VerifyPacket(packet, 8));
    EXPECT_EQ(ReadU16(packet + kOffsetChecksum), 0) << "the field stays 0 after checking";

    SealPacket(packet, 8, 2000, 0x12, 5);
    packet[7] ^= 1;
    EXPECT_FALSE(VerifyPacket(packet, 8));
}

TEST(Packet, ShorterThanHeaderNeverPasses) {
    // A 4-byte packet whose checksum field happens to match its own bytes.
    std::uint8_t packet[8] = {0xD0, 0x07, 0, 0};
    WriteU16(packet + 2, PacketChecksum(packet, 4));
    for (int length : {-1, 0, 1, 4, 7}) {
        EXPECT_FALSE(VerifyPacket(packet, length)) << length;
    }
}

} // namespace
