// The UDP transport's entries on their own, against a plain socket as the terminal.
#include "termlink_transport.h"
#include "udp_socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

extern "C" {
void* EMBUDP_CALL EMBUDP_INIT(int terminalPort, int localPort, int unused);
int EMBUDP_CALL EMBUDP_CLOSE(void* handle);
int EMBUDP_CALL EMBUDP_SEND(void* handle, const void* bytes, int length);
int EMBUDP_CALL EMBUDP_READ(void* handle, void* buffer, int capacity, int timeoutMs);
int EMBUDP_CALL EMBUDP_TERMINALREAD(void* handle);
const char* EMBUDP_CALL EMBUDP_NAME(void* connection);
}

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A terminal socket and a transport opened towards it.
class UdpTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.ok());
        ASSERT_TRUE(terminal.Open(0));
        handle = EMBUDP_INIT(terminal.LocalPort(), 0, 0);
        ASSERT_NE(handle, nullptr);
    }
    void TearDown() override {
        if (handle != nullptr) {
            EMBUDP_CLOSE(handle);
        }
    }

    // Receives one datagram at the terminal; its bytes, and the sender's port.
    std::vector<std::uint8_t> TerminalReceive(std::uint16_t* from = nullptr) {
        std::vector<std::uint8_t> bytes(2048);
        if (!terminal.WaitReadable(2000)) {
            return {};
        }
        const int n = terminal.Receive(bytes.data(), static_cast<int>(bytes.size()), from);
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return bytes;
    }

    udp::SocketLibrary library;
    udp::Socket terminal;
    void* handle = nullptr;
};

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

TEST(UdpTransport, InitRefusesPortsOutOfRange) {
    const int cases[][2] = {{0, 0}, {-1, 0}, {65536, 0}, {4000, -1}, {4000, 65536}};
    for (const auto& ports : cases) {
        SCOPED_TRACE(testing::Message() << ports[0] << ", " << ports[1]);
        EXPECT_EQ(EMBUDP_INIT(ports[0], ports[1], 0), nullptr);
    }
    EXPECT_STREQ(EMBUDP_NAME(nullptr), "UDP");
}

TEST_F(UdpTransportTest, PacketsTravelWholeInBothDirections) {
    const std::vector<std::uint8_t> small = Pattern(8, 1);
    const std::vector<std::uint8_t> large = Pattern(1032, 2);
    ASSERT_NE(EMBUDP_SEND(handle, small.data(), 8), 0);
    ASSERT_NE(EMBUDP_SEND(handle, large.data(), 1032), 0);
    std::uint16_t library = 0;
    EXPECT_EQ(TerminalReceive(&library), small);
    EXPECT_EQ(TerminalReceive(), large);

    // A stranger's datagram is not the terminal's and never arrives.
    udp::Socket stranger;
    ASSERT_TRUE(stranger.Open(0));
    ASSERT_TRUE(stranger.SendTo(library, small.data(), 8));
    ASSERT_TRUE(terminal.SendTo(library, large.data(), 1032));
    ASSERT_TRUE(terminal.SendTo(library, small.data(), 8));

    std::vector<std::uint8_t> buffer(2048);
    ASSERT_EQ(EMBUDP_READ(handle, buffer.data(), 2048, 2000), 1032);
    EXPECT_TRUE(std::equal(large.begin(), large.end(), buffer.begin()));
    ASSERT_EQ(EMBUDP_READ(handle, buffer.data(), 2048, 2000), 8);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), buffer.begin()));

    // A datagram longer than the capacity is cut to it; nothing beyond is written.
    ASSERT_TRUE(terminal.SendTo(library, large.data(), 1032));
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    ASSERT_EQ(EMBUDP_READ(handle, buffer.data(), 100, 2000), 100);
    EXPECT_TRUE(std::equal(large.begin(), large.begin() + 100, buffer.begin()));
    EXPECT_EQ(buffer[100], 0xEE);
}

TEST_F(UdpTransportTest, ChosenLocalPortIsTheSender) {
    udp::Socket probe;
    ASSERT_TRUE(probe.Open(0));
    const std::uint16_t port = probe.LocalPort();
    probe.Close();
    void* bound = EMBUDP_INIT(terminal.LocalPort(), port, 0);
    ASSERT_NE(bound, nullptr);
    const std::uint8_t byte = 5;
    ASSERT_NE(EMBUDP_SEND(bound, &byte, 1), 0);
    std::uint16_t from = 0;
    EXPECT_EQ(TerminalReceive(&from).size(), 1U);
    EXPECT_EQ(from, port);
    EMBUDP_CLOSE(bound);
}

TEST_F(UdpTransportTest, ReadWaitsForItsTimeOut) {
    std::uint8_t buffer[64];
    const auto start = Clock::now();
    EXPECT_EQ(EMBUDP_READ(handle, buffer, sizeof buffer, 150), 0);
    const long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 140);
    EXPECT_LT(waited, 1000);
    EXPECT_EQ(EMBUDP_READ(handle, buffer, sizeof buffer, 0), 0);
}

TEST_F(UdpTransportTest, TerminalReadEndsAPendingRead) {
    int result = -1;
    long long waited = 0;
    std::thread reader([&] {
        std::uint8_t buffer[64];
        const auto start = Clock::now();
        result = EMBUDP_READ(handle, buffer, sizeof buffer, 5000);
        waited = MillisecondsSince(start);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(EMBUDP_TERMINALREAD(handle), 0);
    reader.join();
    EXPECT_EQ(result, 0);
    EXPECT_LT(waited, 1000);

    // The wake takes no packet with it: a packet that waits is still read.
    std::uint16_t library = 0;
    const std::uint8_t ping = 1;
    ASSERT_NE(EMBUDP_SEND(handle, &ping, 1), 0);
    TerminalReceive(&library);
    const std::vector<std::uint8_t> packet = Pattern(8, 3);
    ASSERT_TRUE(terminal.SendTo(library, packet.data(), 8));
    std::uint8_t buffer[64];
    EXPECT_EQ(EMBUDP_READ(handle, buffer, sizeof buffer, 2000), 8);
}

// A wake with no read pending ends the next read at once, and only that one: no wake is left
// over to cut a later read short.
TEST_F(UdpTransportTest, TerminalReadWithoutAPendingReadEndsTheNextReadOnly) {
    std::uint8_t buffer[64];
    EXPECT_NE(EMBUDP_TERMINALREAD(handle), 0);
    EXPECT_NE(EMBUDP_TERMINALREAD(handle), 0);
    auto start = Clock::now();
    EXPECT_EQ(EMBUDP_READ(handle, buffer, sizeof buffer, 2000), 0);
    EXPECT_LT(MillisecondsSince(start), 1000);
    start = Clock::now();
    EXPECT_EQ(EMBUDP_READ(handle, buffer, sizeof buffer, 150), 0);
    EXPECT_GE(MillisecondsSince(start), 140);
}

// Whether the wake comes just before the read begins, while it begins or while it waits, the
// read ends promptly; and a wake that a read took without waiting leaves nothing behind.
TEST_F(UdpTransportTest, TerminalReadIsNeverLostAroundTheStartOfARead) {
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        int result = -1;
        long long waited = 0;
        std::thread reader([&] {
            std::uint8_t buffer[64];
            const auto start = Clock::now();
            result = EMBUDP_READ(handle, buffer, sizeof buffer, 5000);
            waited = MillisecondsSince(start);
        });
        if (round % 4 != 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(round % 4 * 50));
        }
        EXPECT_NE(EMBUDP_TERMINALREAD(handle), 0);
        reader.join();
        ASSERT_EQ(result, 0);
        ASSERT_LT(waited, 1000);
    }
    std::uint8_t buffer[64];
    const auto start = Clock::now();
    EXPECT_EQ(EMBUDP_READ(handle, buffer, sizeof buffer, 150), 0);
    EXPECT_GE(MillisecondsSince(start), 140);
}

// Each datagram goes out whole, whichever threads send at once. (UDP may drop datagrams when
// the receiver falls behind, so only what arrives is checked.)
TEST_F(UdpTransportTest, SendsFromTwoThreadsArriveWhole) {
    constexpr int kPerThread = 50;
    auto sender = [&](std::uint8_t fill) {
        const std::vector<std::uint8_t> packet(1032, fill);
        for (int i = 0; i < kPerThread; ++i) {
            EXPECT_NE(EMBUDP_SEND(handle, packet.data(), 1032), 0);
        }
    };
    std::thread a(sender, 0xAA);
    std::thread b(sender, 0xBB);
    int counts[2] = {0, 0};
    std::vector<std::uint8_t> bytes(2048);
    while (counts[0] + counts[1] < 2 * kPerThread && terminal.WaitReadable(500)) {
        const int n = terminal.Receive(bytes.data(), static_cast<int>(bytes.size()));
        const bool whole = n == 1032 && (bytes[0] == 0xAA || bytes[0] == 0xBB) &&
                           std::count(bytes.begin(), bytes.begin() + n, bytes[0]) == 1032;
        EXPECT_TRUE(whole) << "a datagram of " << n << " bytes";
        ++counts[bytes[0] == 0xAA ? 0 : 1];
    }
    a.join();
    b.join();
    EXPECT_GT(counts[0], 0);
    EXPECT_GT(counts[1], 0);
}

} // namespace
