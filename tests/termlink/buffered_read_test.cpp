// Buffered reads: TERMPRO_READMEMORY's block sizes and retries, TERMPRO_READDATA2 with plain and
// LZO-compressed buffers, hashes, frees and the limits of what a terminal may announce,
// TERMPRO_READDB, and TERMPRO_READDATA's choice and fallback.
#include "bulk_terminal.h"
#include "termlink_fixture.h"

#include <memory>

using namespace scripted;

namespace {

using Blocks = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

std::vector<int> CodesSent(const Terminal& terminal) {
    std::vector<int> codes;
    for (const Packet& p : terminal.Requests()) {
        if (p.code() != CMD_CONNECT) {
            codes.push_back(p.code());
        }
    }
    return codes;
}

int Count(const std::vector<int>& codes, int code) {
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
}

class BufferedReadTest : public TermlinkTest {
protected:
    // READMEMORY into `count` bytes, followed by 64 bytes that must stay untouched.
    int ReadMemory(TermConnection* connection, int count, int blockSize, int tries = 5,
                   int offset = 0) {
        data_.assign(static_cast<std::size_t>(std::max(count, 0)), 0);
        data_.resize(data_.size() + kCanary, 0xEE);
        return TERMPRO_READMEMORY(connection, CMD_BUFFER_READ, offset, count, blockSize, tries,
                                  reinterpret_cast<char*>(data_.data()));
    }

    // READDATA2 (or another read of the same form) into `capacity` bytes, followed by 64 bytes
    // that must stay untouched.
    int ReadData2(TermConnection* connection, std::uint16_t& code, int capacity,
                  std::uint16_t command = 9, int blockSize = 8192,
                  decltype(&TERMPRO_READDATA2) read = TERMPRO_READDATA2) {
        data_.assign(static_cast<std::size_t>(capacity) + kCanary, 0xEE);
        code = command;
        return read(connection, &code, reinterpret_cast<char*>(data_.data()), capacity, 0,
                    blockSize, 500);
    }

    bool CanaryIntact(int capacity) const {
        return std::all_of(data_.begin() + capacity, data_.end(),
                           [](std::uint8_t b) { return b == 0xEE; });
    }

    static constexpr int kCanary = 64;
    Bytes data_;
};

TEST_F(BufferedReadTest, ReadMemoryBlockSizes) {
    struct {
        const char* what;
        int earlierBlockSize; // of a one-block read before, 0 for none
        int blockSize;
        int count;
        std::vector<std::uint32_t> lengths;
    } cases[] = {
        {"fresh connection", 0, 8192, 20000, {8192, 8192, 3616}},
        {"pulled halfway towards 2048", 2048, 8192, 10240, {5120, 5120}},
        {"smaller than the last one", 2048, 1500, 3000, {1500, 1500}},
        {"block size 0 reads as 1024", 0, 0, 2048, {1024, 1024}},
    };
    const Bytes buffer = Pattern(20000, 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        TermConnection* connection = Open(true);
        ASSERT_NE(connection, nullptr);
        ServeBuffer(terminal(), PlainBuffer(buffer));
        if (c.earlierBlockSize > 0) {
            ASSERT_EQ(ReadMemory(connection, c.earlierBlockSize, c.earlierBlockSize),
                      c.earlierBlockSize);
        }
        const std::size_t before = BlockRequests(terminal()).size();
        EXPECT_EQ(ReadMemory(connection, c.count, c.blockSize), c.count);
        EXPECT_EQ(Bytes(data_.begin(), data_.begin() + c.count),
                  Bytes(buffer.begin(), buffer.begin() + c.count));
        std::vector<std::uint32_t> lengths;
        std::uint32_t offset = 0;
        const Blocks blocks = BlockRequests(terminal());
        for (std::size_t i = before; i < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i].first, offset);
            offset += blocks[i].second;
            lengths.push_back(blocks[i].second);
        }
        EXPECT_EQ(lengths, c.lengths);
        Close(connection);
    }
}

TEST_F(BufferedReadTest, FailedBlocksShrinkToAnEighthThenUseTheRetries) {
    // 133 requests: the reader is suspended around sends rather than woken out of its reads.
    TermConnection* connection = Open(true, "scripttransport_nowake");
    ASSERT_NE(connection, nullptr);
    // Each try of a block is one multi-packet read with verified reception: a failed try (an
    // inline answer of the wrong length) costs six requests, a good one a single request.
    struct Try {
        bool good;
        std::uint32_t offset;
        std::uint32_t length;
    };
    std::vector<Try> tries = {{false, 0, 8192}}; // fails at 8192: 1024 next, no retry used
    for (int i = 0; i < 10; ++i) {
        tries.push_back({false, 0, 1024});
    }
    tries.push_back({true, 0, 1024}); // a success restores the ten retries
    for (int i = 0; i < 11; ++i) {
        tries.push_back({false, 1024, 1024});
    }
    std::vector<bool> answers;
    for (const Try& t : tries) {
        answers.insert(answers.end(), t.good ? 1 : 6, t.good);
    }
    const Bytes buffer = Pattern(16384);
    auto next = std::make_shared<std::atomic<std::size_t>>(0);
    terminal().SetResponder([&, answers, next](const Packet& p) {
        if (p.code() != CMD_BUFFER_READ) {
            terminal().DefaultRespond(p);
            return;
        }
        const std::size_t i = next->fetch_add(1);
        if (i < answers.size() && answers[i]) {
            const std::uint32_t length = PayloadU32(p, 4);
            static const std::vector<DataPiece> one = {{0}};
            terminal().Announce(p, length, 1024);
            terminal().DeliverData(p.number(), buffer.data() + PayloadU32(p, 0),
                                   static_cast<int>(length), 1024, one.data(), 1);
        } else {
            terminal().Reply(p, CMD_DATA_CHUNK, {1, 2, 3});
        }
        terminal().DeliverSilence(2);
    });
    EXPECT_EQ(ReadMemory(connection, 16384, 8192, 1), -3);
    const Blocks blocks = BlockRequests(terminal());
    Blocks expected;
    for (const Try& t : tries) {
        expected.insert(expected.end(), t.good ? 1 : 6, {t.offset, t.length});
    }
    EXPECT_EQ(blocks, expected);
    EXPECT_EQ(Bytes(data_.begin(), data_.begin() + 1024),
              Bytes(buffer.begin(), buffer.begin() + 1024));
}

// A block answer announced longer than the block asked for is a failed try, like a total beyond
// the capacity: the request goes out again, the block shrinks to an eighth, and -3 ends it when
// it keeps coming. The caller's buffer ends with the block: nothing lands past it.
TEST_F(BufferedReadTest, BlockAnnouncedLongerThanAskedIsAFailedTry) {
    using Block = std::pair<std::uint32_t, std::uint32_t>;
    auto repeat = [](Blocks blocks, int times, Block block) {
        blocks.insert(blocks.end(), static_cast<std::size_t>(times), block);
        return blocks;
    };
    struct {
        const char* what;
        int overlongAnswers;
        int result;
        Blocks blocks; // one request per attempt: six attempts to a try
    } cases[] = {
        {"once: the next attempt takes the block", 1, 4096, {{0, 4096}, {0, 4096}}},
        {"always: an eighth of the block, then the ten retries, then -3", -1, -3,
         repeat(repeat({}, 6, {0, 4096}), 11 * 6, {0, 1024})},
    };
    const Bytes buffer = Pattern(4096, 5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        TermConnection* connection = Open(true, "scripttransport_nowake");
        ASSERT_NE(connection, nullptr);
        PreparedBuffer prepared = PlainBuffer(buffer);
        prepared.overlongBlocks = 100;
        prepared.overlongAnswers = c.overlongAnswers;
        ServeBuffer(terminal(), prepared);
        EXPECT_EQ(ReadMemory(connection, 4096, 8192, 1), c.result);
        EXPECT_EQ(BlockRequests(terminal()), c.blocks);
        EXPECT_TRUE(CanaryIntact(4096));
        if (c.result > 0) {
            EXPECT_EQ(Bytes(data_.begin(), data_.begin() + 4096), buffer);
        }
        Close(connection);
    }
}

TEST_F(BufferedReadTest, ReadMemoryWithoutTriesOrCount) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    ServeBuffer(terminal(), PlainBuffer(Pattern(4096)));
    EXPECT_EQ(ReadMemory(connection, 4096, 8192, 0), -3) << "no tries: the retries run out";
    EXPECT_EQ(ReadMemory(connection, 0, 8192), 0);
    EXPECT_EQ(ReadMemory(connection, -1, 8192), -1);
    EXPECT_TRUE(BlockRequests(terminal()).empty()) << "nothing sent";
    // An offset is passed on.
    EXPECT_EQ(ReadMemory(connection, 100, 8192, 5, 3000), 100);
    EXPECT_EQ(BlockRequests(terminal()), (Blocks{{3000, 100}}));
}

TEST_F(BufferedReadTest, ReadData2Outcomes) {
    const Bytes result = Pattern(20000, 2);
    const int F = CMD_DATA_FREE, P = CMD_BUFFER_PREPARE, R = CMD_BUFFER_READ;
    auto plain = [&](auto change) {
        PreparedBuffer b = PlainBuffer(result);
        change(b);
        return b;
    };
    struct Case {
        const char* what;
        PreparedBuffer buffer;
        int capacity;
        std::uint16_t code;
        int result;
        std::vector<int> sent;
        bool filled;
    };
    const Case cases[] = {
        {"plain", PlainBuffer(result), 20000, REPLY_OK, 20000, {P, R, R, R, F}, true},
        {"compressed", CompressedBuffer(result), 20000, REPLY_OK, 20000, {P, R, F}, true},
        {"empty result: no free",
         plain([](PreparedBuffer& b) { b.resultSize = 0; }),
         20000,
         REPLY_OK,
         0,
         {P},
         false},
        {"empty transfer: no free",
         plain([](PreparedBuffer& b) { b.transfer.clear(); }),
         20000,
         REPLY_OK,
         0,
         {P},
         false},
        {"capacity below the result",
         PlainBuffer(result),
         19999,
         REPLY_OK,
         TERMPRO_BUFFER_TOO_SMALL,
         {P, F},
         false},
        {"plain transfer larger than the capacity",
         plain([](PreparedBuffer& b) { b.resultSize = 1000; }),
         2000,
         REPLY_OK,
         TERMPRO_BUFFER_TOO_SMALL,
         {P, F},
         false},
        {"compressed transfer longer than LZO makes the result",
         [&] {
             PreparedBuffer b = CompressedBuffer(result);
             b.transfer.resize(20000 + 20000 / 16 + 64 + 3 + 1);
             return b;
         }(),
         20000,
         REPLY_OK,
         0,
         {P, F},
         false},
        {"block answers longer than the block: failed tries down to 1024 bytes",
         plain([](PreparedBuffer& b) { b.overlongBlocks = 1; }), 20000, REPLY_OK, -3,
         [&] {
             // Five tries of six attempts at 8192, then at 1024 eleven times.
             std::vector<int> sent(1 + 12 * 5 * 6, R);
             sent.front() = P;
             sent.push_back(F);
             return sent;
         }(),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        TermConnection* connection = Open(true);
        ASSERT_NE(connection, nullptr);
        ServeBuffer(terminal(), c.buffer);
        std::uint16_t code = 0;
        EXPECT_EQ(ReadData2(connection, code, c.capacity), c.result);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(CodesSent(terminal()), c.sent);
        if (c.filled) {
            EXPECT_EQ(Bytes(data_.begin(), data_.begin() + 20000), result);
        }
        EXPECT_TRUE(CanaryIntact(c.capacity));
        Close(connection);
    }
}

TEST_F(BufferedReadTest, HashThatNeverMatches) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    PreparedBuffer buffer = PlainBuffer(Pattern(3000));
    buffer.hash += 1;
    ServeBuffer(terminal(), buffer);
    std::uint16_t code = 0;
    EXPECT_EQ(ReadData2(connection, code, 3000), 0);
    EXPECT_EQ(code, REPLY_OK) << "the free's answer";
    const auto codes = CodesSent(terminal());
    EXPECT_EQ(Count(codes, CMD_BUFFER_READ), 5) << "five full reads";
    EXPECT_EQ(Count(codes, CMD_DATA_FREE), 1);
}

TEST_F(BufferedReadTest, DecompressionIsBoundedByTheCapacity) {
    const Bytes result = Pattern(20000, 6);
    struct {
        const char* what;
        std::uint32_t resultSize;
        int capacity;
    } cases[] = {
        // A stream that expands far beyond the announced size and the caller's buffer.
        {"expands beyond the capacity", 1000, 1000},
        {"expands to another size than announced", 19999, 20000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        TermConnection* connection = Open(true);
        ASSERT_NE(connection, nullptr);
        PreparedBuffer buffer = CompressedBuffer(result);
        buffer.resultSize = c.resultSize;
        ServeBuffer(terminal(), buffer);
        std::uint16_t code = 0;
        EXPECT_EQ(ReadData2(connection, code, c.capacity), 0);
        EXPECT_EQ(code, REPLY_OK);
        EXPECT_TRUE(CanaryIntact(c.capacity));
        Close(connection);
    }
}

TEST_F(BufferedReadTest, PrepareRequestAndItsAnswers) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const Bytes inline300 = Pattern(300, 7);
    std::atomic<int> answer{CMD_DATA_CHUNK};
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() == CMD_BUFFER_PREPARE) {
            if (answer == CMD_DATA_CHUNK) {
                terminal().Reply(p, CMD_DATA_CHUNK, inline300);
            } else {
                terminal().Reply(p, static_cast<std::uint16_t>(answer.load()));
            }
        } else {
            terminal().DefaultRespond(p);
        }
    });

    // Twelve bytes of parameters: only the first eight travel.
    Bytes data(400, 0);
    for (int i = 0; i < 12; ++i) {
        data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xA0 + i);
    }
    std::uint16_t code = 0x1234;
    EXPECT_EQ(TERMPRO_READDATA2(connection, &code, reinterpret_cast<char*>(data.data()), 400, 12,
                                8192, 500),
              300);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 300), inline300);
    EXPECT_EQ(terminal().Requests().back().payload(),
              (Bytes{1, 0x34, 0x12, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7}));

    // An inline answer longer than the capacity is not taken.
    EXPECT_EQ(ReadData2(connection, code, 299), TERMPRO_BUFFER_TOO_SMALL);
    EXPECT_EQ(code, CMD_DATA_CHUNK);
    EXPECT_TRUE(CanaryIntact(0));

    for (int refusal : {REPLY_UNSUPPORTED, REPLY_ERROR}) {
        answer = refusal;
        EXPECT_EQ(ReadData2(connection, code, 400), -1);
        EXPECT_EQ(code, refusal);
    }
    EXPECT_EQ(Count(CodesSent(terminal()), CMD_DATA_FREE), 0);
}

TEST_F(BufferedReadTest, ReadDbSendsOneParameterByte) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const Bytes result = Pattern(1500, 3);
    ServeBuffer(terminal(), PlainBuffer(result));
    Bytes data(2000, 0);
    int capacity = 2000;
    EXPECT_EQ(
        TERMPRO_READDB(connection, 0x105, 100, reinterpret_cast<char*>(data.data()), &capacity),
        1500);
    EXPECT_EQ(capacity, 2000);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 1500), result);
    const auto requests = terminal().Requests();
    EXPECT_EQ(requests.at(1).code(), CMD_BUFFER_PREPARE);
    EXPECT_EQ(requests.at(1).payload(), (Bytes{1, 7, 0, 0x05, 0, 0, 0, 0, 0, 0, 0}));
    // The block size goes through unchanged.
    for (const auto& block : BlockRequests(terminal())) {
        EXPECT_LE(block.second, 100U);
    }
}

TEST_F(BufferedReadTest, ReadDataChoosesTheBufferedReadByCommand) {
    const Bytes result = Pattern(1000, 9);
    struct {
        std::uint16_t command;
        int blockSize;
        std::vector<std::uint32_t> blocks; // empty: a multi-packet read of the command
    } cases[] = {
        {9, 100, {1000}}, // below 496: 8192
        {9, 496, {496, 496, 8}},
        {120, 2000, {1000}},
        {1010, 100, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        terminal().Reset();
        TermConnection* connection = Open(true);
        ASSERT_NE(connection, nullptr);
        if (c.blocks.empty()) {
            ServeTransfers(terminal(), c.command, result, {{1000}});
        } else {
            ServeBuffer(terminal(), PlainBuffer(result));
        }
        std::uint16_t code = 0;
        EXPECT_EQ(ReadData2(connection, code, 1000, c.command, c.blockSize, TERMPRO_READDATA),
                  1000);
        EXPECT_EQ(code, REPLY_OK);
        EXPECT_EQ(Bytes(data_.begin(), data_.begin() + 1000), result);
        std::vector<std::uint32_t> lengths;
        for (const auto& block : BlockRequests(terminal())) {
            lengths.push_back(block.second);
        }
        EXPECT_EQ(lengths, c.blocks);
        Close(connection);
    }
}

TEST_F(BufferedReadTest, ReadDataFallsBackWhenBuffersAreUnsupported) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const Bytes result = Pattern(2500, 1);
    const std::vector<DataPiece> pieces = {{0}, {1}, {2}};
    std::atomic<int> prepareAnswer{REPLY_UNSUPPORTED};
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() == CMD_BUFFER_PREPARE) {
            terminal().Reply(p, static_cast<std::uint16_t>(prepareAnswer.load()));
        } else if (p.code() == 13) {
            terminal().Announce(p, 2500, 1024);
            terminal().DeliverData(p.number(), result.data(), 2500, 1024, pieces.data(), 3);
            terminal().DeliverSilence(3);
        } else {
            terminal().DefaultRespond(p);
        }
    });
    Bytes data(2500, 0);
    data[0] = 0x44;
    data[1] = 0x55;
    std::uint16_t code = 13;
    EXPECT_EQ(TERMPRO_READDATA(connection, &code, reinterpret_cast<char*>(data.data()), 2500, 2,
                               8192, 600),
              2500);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(data, result);
    const auto requests = terminal().Requests();
    ASSERT_EQ(requests.size(), 3U);
    EXPECT_EQ(requests[1].code(), CMD_BUFFER_PREPARE);
    EXPECT_EQ(requests[2].code(), 13);
    EXPECT_EQ(requests[2].payload(), (Bytes{0x44, 0x55})) << "the same parameters";

    // REPLY_ERROR to the prepare reads as 0, with no fallback.
    prepareAnswer = REPLY_ERROR;
    code = 13;
    EXPECT_EQ(TERMPRO_READDATA(connection, &code, reinterpret_cast<char*>(data.data()), 2500, 2,
                               8192, 600),
              0);
    EXPECT_EQ(code, REPLY_ERROR);
    EXPECT_EQ(terminal().Requests().size(), 4U);
}

} // namespace
