// Internals of the bulk transfers: BlockHash, the chunk time-out's arithmetic and its life on a
// connection, the packet bitmaps, request number 65535, the remembered block size and a
// compressed copy that cannot be allocated.
#include "bulk.h"
#include "bulk_terminal.h"
#include "termlink_fixture.h"

#include <memory>
#include <string>

using namespace scripted;

namespace {

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

TEST(BlockHash, KnownValues) {
    struct {
        std::string block;
        int expected;
    } cases[] = {
        {"", 0},
        {"abc", 26499},
        // A plain right shift in the fold would give 12887668: the shift fills with the sign.
        {"abcdefghij", 4871839},
    };
    for (const auto& c : cases) {
        const Bytes bytes = Text(c.block);
        EXPECT_EQ(termlink::BlockHash(bytes.data(), static_cast<std::uint32_t>(bytes.size())),
                  c.expected)
            << c.block;
    }
    // Any block, as the terminal computes it, and always below 0xFEFFFF.
    const Bytes block = Pattern(100000, 3);
    const int hash = termlink::BlockHash(block.data(), static_cast<std::uint32_t>(block.size()));
    EXPECT_EQ(static_cast<std::uint32_t>(hash), TerminalHash(block));
    EXPECT_LT(hash, 0xFEFFFF);
}

TEST(ChunkTimeout, Reestimate) {
    struct {
        std::int32_t chunkTimeout;
        std::uint32_t elapsed;
        std::uint32_t chunks;
        std::int32_t expected;
    } cases[] = {
        {1000, 100, 1, 700},     // (100 / 1 + 1000 + 300) / 2
        {1000, 2200, 11, 750},   // (200 + 1000 + 300) / 2
        {0, 3, 1, 151},          // (3 + 0 + 300) / 2
        {0, 0, 1, 150},          // 150 is the floor
        {-1, 0, 1, 150},         // unsigned: (0xFFFFFFFF + 300) wraps to 299, / 2 = 149
        {5100, 20999, 21, 3199}, // (999 + 5100 + 300) / 2
    };
    for (const auto& c : cases) {
        EXPECT_EQ(termlink::ReestimateChunkTimeout(c.chunkTimeout, c.elapsed, c.chunks), c.expected)
            << c.chunkTimeout << " " << c.elapsed << " " << c.chunks;
    }
}

TEST(PacketBitmap, Completeness) {
    const std::uint8_t ones[] = {1, 1, 1};
    const std::uint8_t gap[] = {1, 0, 1};
    const std::uint8_t middle[] = {0, 1, 0};
    const std::uint8_t none[] = {0, 0, 0};
    EXPECT_TRUE(termlink::AllBytesSet(nullptr, 3));
    EXPECT_TRUE(termlink::AllBytesSet(none, 0));
    EXPECT_TRUE(termlink::AllBytesSet(ones, 3));
    EXPECT_FALSE(termlink::AllBytesSet(gap, 3));
    EXPECT_TRUE(termlink::AllBytesSet(gap, 1));

    EXPECT_TRUE(termlink::PacketBitmapComplete(nullptr, none, 3)) << "without verification";
    EXPECT_TRUE(termlink::PacketBitmapComplete(gap, middle, 3)) << "kept packet fills the gap";
    EXPECT_FALSE(termlink::PacketBitmapComplete(gap, none, 3));
    EXPECT_FALSE(termlink::PacketBitmapComplete(gap, nullptr, 3));
    EXPECT_TRUE(termlink::PacketBitmapComplete(ones, nullptr, 3));
    EXPECT_TRUE(termlink::PacketBitmapComplete(none, none, 0));
}

// Tests that measure time use the transport without EMBUDP_TERMINALREAD: the reader is then
// suspended around each send instead of being woken out of a read, which can cost a whole read
// time-out when the wake comes just before the read begins.
class BulkInternalsTest : public TermlinkTest {
protected:
    // Chunks are answered by `chunkAnswer(n)` for the n-th chunk packet (-1: silent).
    void ServeChunks(const std::function<int(int)>& chunkAnswer, int delayFirstMs = 0) {
        auto chunks = std::make_shared<std::atomic<int>>(0);
        terminal().SetResponder([this, chunkAnswer, delayFirstMs, chunks](const Packet& p) {
            if (p.code() == CMD_DATA_CHUNK) {
                const int n = chunks->fetch_add(1);
                const int answer = chunkAnswer(n);
                if (answer >= 0) {
                    terminal().Reply(p, static_cast<std::uint16_t>(answer), nullptr, 0,
                                     n == 0 ? delayFirstMs : 0);
                }
            } else if (p.code() != REPLY_OK) {
                terminal().Reply(p, REPLY_OK);
            }
        });
    }

    int Send(TermConnection* connection, int length, int timeout) {
        const Bytes block = Pattern(static_cast<std::size_t>(length));
        return TERMPRO_SENDDATA(connection, reinterpret_cast<const char*>(block.data()), length,
                                timeout);
    }
};

TEST_F(BulkInternalsTest, ChunkTimeoutIsSeededOnceAndReestimatedAfterChunks1And11) {
    TermConnection* connection = Open(true, "scripttransport_nowake");
    ASSERT_NE(connection, nullptr);
    ServeChunks([](int) { return REPLY_ACCEPTED; });
    ASSERT_EQ(Send(connection, 12 * 1024, 1000), 1);
    // The chunks are answered at once. After chunk 1: (0 + 1000 + 300) / 2 = 650; after chunk
    // 11: (0 / 11 + 650 + 300) / 2 = 475. A re-estimate after every chunk would have come down
    // towards 300.
    EXPECT_EQ(connection->chunkTimeout, 475);

    // The next call starts from that value, not from its own time-out.
    const std::int32_t before = connection->chunkTimeout;
    ASSERT_EQ(Send(connection, 100, 50), 1);
    EXPECT_EQ(connection->chunkTimeout, (before + 300) / 2);
}

TEST_F(BulkInternalsTest, FirstChunkAcceptedAfter100Ms) {
    TermConnection* connection = Open(true, "scripttransport_nowake");
    ASSERT_NE(connection, nullptr);
    ServeChunks([](int) { return REPLY_OK; }, 100);
    ASSERT_EQ(Send(connection, 100, 1000), 1);
    // (100 / 1 + 1000 + 300) / 2 = 700.
    EXPECT_EQ(connection->chunkTimeout, 700);
}

TEST_F(BulkInternalsTest, WaitThatRanOutAdds500EvenWhenTheChunkIsThenAccepted) {
    TermConnection* connection = Open(true, "scripttransport_nowake");
    ASSERT_NE(connection, nullptr);
    // Time-out 1: the first attempt waits 5001 ms in vain, the second is answered.
    ServeChunks([](int n) { return n == 0 ? -1 : REPLY_ACCEPTED; });
    ASSERT_EQ(Send(connection, 100, 1), 1);
    // (5001 / 1 + 501 + 300) / 2 = 2901; without the 500 it would be 2651.
    EXPECT_EQ(connection->chunkTimeout, 2901);
}

TEST_F(BulkInternalsTest, TransferStopsWhenTimedOutWaitsReach5000) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    connection->chunkTimeout = 4600;
    // The first attempt's wait runs out; the second is answered busy, so the try ends with
    // ERR_NO_REPLY and four tries are still left.
    ServeChunks([](int n) { return n == 0 ? -1 : REPLY_BUSY; });
    EXPECT_EQ(Send(connection, 3000, 100), 0);
    EXPECT_EQ(connection->chunkTimeout, 5100);
    int chunks = 0;
    for (const Packet& p : terminal().Requests()) {
        chunks += p.code() == CMD_DATA_CHUNK ? 1 : 0;
    }
    EXPECT_EQ(chunks, 2) << "one try of two attempts";
}

TEST_F(BulkInternalsTest, PacketsOfRequestNumber65535AreTaken) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const Bytes result = Pattern(3000);
    ServeTransfers(terminal(), 1010, result, {{3000, 1024, {}, 3}});
    connection->sequence = 65535;
    Bytes data(3000);
    std::uint16_t code = 1010;
    EXPECT_EQ(TERMPRO_READDATA1(connection, &code, reinterpret_cast<char*>(data.data()), 3000, 0, 1,
                                3000),
              3000);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(data, result);
    EXPECT_EQ(terminal().Requests().back().number(), 65535);
}

TEST_F(BulkInternalsTest, BlockSizeIsRememberedOnTheConnection) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    ServeBuffer(terminal(), PlainBuffer(Pattern(20000)));
    Bytes data(20000);
    EXPECT_EQ(connection->readBlockSize, 0);
    EXPECT_EQ(TERMPRO_READMEMORY(connection, CMD_BUFFER_READ, 0, 20000, 8192, 5,
                                 reinterpret_cast<char*>(data.data())),
              20000);
    EXPECT_EQ(connection->readBlockSize, 8192);
}

TEST_F(BulkInternalsTest, CompressedCopyThatCannotBeAllocated) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    ServeBuffer(terminal(), CompressedBuffer(Pattern(5000)));
    Bytes data(5000);
    std::uint16_t code = 9;
    termlink::scratchAllocationsBeforeFailure = 0;
    const int result = TERMPRO_READDATA2(connection, &code, reinterpret_cast<char*>(data.data()),
                                         5000, 0, 8192, 500);
    termlink::scratchAllocationsBeforeFailure = -1;
    EXPECT_EQ(result, TERMPRO_NO_MEMORY);
    EXPECT_EQ(code, REPLY_OK) << "the free's answer";
    std::vector<int> codes;
    for (const Packet& p : terminal().Requests()) {
        codes.push_back(p.code());
    }
    EXPECT_EQ(codes, (std::vector<int>{CMD_CONNECT, CMD_BUFFER_PREPARE, CMD_DATA_FREE}));
}

} // namespace
