// The multi-packet read (TERMPRO_READDATA1): announced transfers in order, reordered, with gaps,
// repeats and damaged packets, with and without verified reception; the keep bitmap across
// attempts; inline results; the limits of what a terminal may announce; waits, the drain, and
// on Windows the guard against processor faults.
#include "bulk_terminal.h"
#include "termlink_fixture.h"

#include <cstring>
#include <functional>
#include <memory>

using namespace scripted;

namespace {

constexpr std::uint16_t kCommand = 1010;
constexpr std::uint32_t kTotal = 3000; // three packets of 1024, 1024 and 952 bytes

DataPiece Bad(int index) {
    return {index, true};
}

std::vector<DataPiece> Pieces(std::initializer_list<int> indexes) {
    std::vector<DataPiece> pieces;
    for (int index : indexes) {
        pieces.push_back({index});
    }
    return pieces;
}

int ReadRequests(const Terminal& terminal) {
    int count = 0;
    for (const Packet& p : terminal.Requests()) {
        count += p.code() == kCommand ? 1 : 0;
    }
    return count;
}

class MultiReadTest : public TermlinkTest {
protected:
    void SetUp() override {
        TermlinkTest::SetUp();
        result_ = Pattern(kTotal, 5);
    }

    // READDATA1 of kCommand into a buffer of `capacity` bytes (filled with 0xEE first).
    int Read(TermConnection* connection, std::uint16_t& code, int capacity, bool verify,
             int timeout = 600, int parameterLength = 0) {
        data_.assign(static_cast<std::size_t>(std::max(capacity, 0)), 0xEE);
        code = kCommand;
        return TERMPRO_READDATA1(connection, &code, reinterpret_cast<char*>(data_.data()), capacity,
                                 parameterLength, verify ? 1 : 0, timeout);
    }

    // Answers each read request with `answer`; connect and disconnect as usual.
    void AnswerReads(const std::function<void(const Packet&)>& answer) {
        terminal().SetResponder([this, answer](const Packet& p) {
            if (p.code() == kCommand) {
                answer(p);
            } else {
                terminal().DefaultRespond(p);
            }
        });
    }

    bool DataIsResult(std::size_t from, std::size_t to) const {
        return data_.size() >= to &&
               std::equal(data_.begin() + static_cast<std::ptrdiff_t>(from),
                          data_.begin() + static_cast<std::ptrdiff_t>(to),
                          result_.begin() + static_cast<std::ptrdiff_t>(from));
    }

    Bytes result_;
    Bytes data_;
};

TEST_F(MultiReadTest, OutcomesOfTheAnnouncedTransfer) {
    const std::uint16_t E = static_cast<std::uint16_t>(ERR_RECEIVE_FAILED);
    struct Case {
        const char* what;
        bool verify;
        std::vector<Transfer> transfers; // one per attempt, the last repeats
        int capacity;
        std::uint16_t code;
        int result;
        int requests;
        bool filled = true; // data holds the result when the read succeeds
    };
    const Case cases[] = {
        {"in order", false, {{kTotal}}, 3000, REPLY_OK, 3000, 1},
        {"gap in the middle goes unnoticed",
         false,
         {{kTotal, 1024, Pieces({0, 2})}},
         3000,
         REPLY_OK,
         3000,
         1,
         false},
        {"last packet before packet 0", false, {{kTotal, 1024, Pieces({2, 0, 1})}}, 3000, E, -5, 1},
        {"packet 0 never came", false, {{kTotal, 1024, Pieces({1, 2})}}, 3000, E, -5, 1},
        {"total 0 takes no packet", false, {{0}}, 3000, E, -5, 1},
        {"capacity below the total", false, {{kTotal}}, 2999, E, 0, 1},
        {"a packet beyond the last index",
         false,
         {{kTotal, 1024, Pieces({3, 0, 1, 2})}},
         3000,
         E,
         -3,
         1},
        {"verified, in order", true, {{kTotal}}, 3000, REPLY_OK, 3000, 1},
        {"verified, 2 0 1", true, {{kTotal, 1024, Pieces({2, 0, 1})}}, 3000, REPLY_OK, 3000, 1},
        {"verified, total 0", true, {{0}}, 3000, REPLY_OK, 0, 1},
        {"verified, n + 1 packets end the loop",
         true,
         {{kTotal, 1024, Pieces({0, 0, 0, 0, 1, 2})}},
         3000,
         E,
         -5,
         6},
        {"verified, capacity below the total", true, {{kTotal}}, 2999, E, 0, 6},
        {"verified, always a gap", true, {{kTotal, 1024, Pieces({0, 2})}}, 3000, E, -4, 6},
        {"verified, always damaged", true, {{kTotal, 1024, {{0}, Bad(1), {2}}}}, 3000, E, -2, 6},
        {"verified, damaged once",
         true,
         {{kTotal, 1024, {{0}, Bad(1), {2}}}, {kTotal}},
         3000,
         REPLY_OK,
         3000,
         2},
        {"keep bitmap completes the second attempt",
         true,
         {{kTotal, 1024, Pieces({0, 1})}, {kTotal, 1024, Pieces({2})}},
         3000,
         REPLY_OK,
         3000,
         2},
        {"a changed total clears the keep bitmap",
         true,
         {{kTotal, 1024, Pieces({0, 1})}, {2900, 1024, Pieces({2})}, {2900, 1024, Pieces({0, 1})}},
         3000,
         REPLY_OK,
         2900,
         3},
    };
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = ReadRequests(terminal());
        ServeTransfers(terminal(), kCommand, result_, c.transfers);
        std::uint16_t code = 0;
        EXPECT_EQ(Read(connection, code, c.capacity, c.verify), c.result);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(ReadRequests(terminal()) - before, c.requests);
        if (code == REPLY_OK && c.filled) {
            EXPECT_TRUE(DataIsResult(0, static_cast<std::size_t>(c.result)));
        }
    }
}

TEST_F(MultiReadTest, PlacesPacketsAtTheirOffsets) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    // A total of 10 in packets of 4: offsets 0, 4 and 8; a gap stays untouched.
    ServeTransfers(terminal(), kCommand, result_, {{10, 4, Pieces({0, 2})}});
    std::uint16_t code = 0;
    EXPECT_EQ(Read(connection, code, 16, false), 10);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_TRUE(DataIsResult(0, 4));
    EXPECT_EQ(Bytes(data_.begin() + 4, data_.begin() + 8), Bytes(4, 0xEE));
    EXPECT_TRUE(DataIsResult(8, 10));
    EXPECT_EQ(data_[10], 0xEE);
}

TEST_F(MultiReadTest, DamagedRepeatDoesNotOverwriteAnIntactPacket) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    // Packet 0 came intact; its damaged repeat fails the attempt, yet the transfer is complete.
    ServeTransfers(terminal(), kCommand, result_, {{kTotal, 1024, {{2}, {0}, {1}, Bad(0)}}});
    std::uint16_t code = 0;
    EXPECT_EQ(Read(connection, code, 3000, true), 3000);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_TRUE(DataIsResult(0, 3000));
}

TEST_F(MultiReadTest, StrayPacketsAreIgnored) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const Bytes junk(1024, 0x55);
    const auto pieces = Pieces({0, 1, 2});
    AnswerReads([&](const Packet& p) {
        terminal().Announce(p, kTotal, 1024);
        for (int delta : {1, -1}) {
            terminal().DeliverPacket(0, 1, static_cast<std::uint16_t>(p.number() + delta),
                                     junk.data(), 1024);
        }
        terminal().DeliverData(p.number(), result_.data(), kTotal, 1024, pieces.data(), 3);
        terminal().DeliverSilence(3);
    });
    std::uint16_t code = 0;
    EXPECT_EQ(Read(connection, code, 3000, true), 3000);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_TRUE(DataIsResult(0, 3000));
}

TEST_F(MultiReadTest, InlineResultTakenOnlyAtCapacityLengthPlus1024) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const Bytes inline500 = Pattern(500, 8);
    AnswerReads([&](const Packet& p) {
        terminal().Reply(p, CMD_DATA_CHUNK, inline500);
        terminal().DeliverSilence(2);
    });
    std::uint16_t code = 0;
    EXPECT_EQ(Read(connection, code, 1524, true), 500);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(Bytes(data_.begin(), data_.begin() + 500), inline500);

    const int before = ReadRequests(terminal());
    EXPECT_EQ(Read(connection, code, 2000, false), 0);
    EXPECT_EQ(code, CMD_DATA_CHUNK);
    EXPECT_EQ(data_[0], 0xEE);
    EXPECT_EQ(ReadRequests(terminal()) - before, 1);
}

TEST_F(MultiReadTest, OtherAnswers) {
    struct {
        int answer;
        bool verify;
        std::uint16_t code;
        int requests;
    } cases[] = {
        {REPLY_ERROR, true, REPLY_ERROR, 1},
        {REPLY_OK, false, static_cast<std::uint16_t>(ERR_NO_REPLY), 1},
        {REPLY_OK, true, static_cast<std::uint16_t>(ERR_NO_REPLY), 6},
    };
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.answer) + (c.verify ? " verified" : ""));
        AnswerReads([&](const Packet& p) {
            terminal().Reply(p, static_cast<std::uint16_t>(c.answer));
            terminal().DeliverSilence(1);
        });
        const int before = ReadRequests(terminal());
        std::uint16_t code = 0;
        EXPECT_EQ(Read(connection, code, 3000, c.verify), 0);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(ReadRequests(terminal()) - before, c.requests);
    }
}

TEST_F(MultiReadTest, AnnouncementsBeyondTheLimits) {
    const auto bad = static_cast<std::uint16_t>(ERR_BAD_ANNOUNCEMENT);
    struct {
        const char* what;
        std::uint32_t total;
        std::uint32_t packetSize;
        bool verify;
        std::uint16_t code;
        int result;
    } cases[] = {
        {"packet size 0", kTotal, 0, true, bad, 0},
        {"negative packet size", kTotal, 0xFFFFFFFFU, false, bad, 0},
        {"negative total", 0x80000000U, 1024, true, bad, 0},
        {"2049 packets, verified", 2049, 1, true, bad, 0},
        {"2048 packets, verified", 2048, 1, true, REPLY_OK, 2048},
        {"2049 packets without verification", 2049, 1, false, REPLY_OK, 2049},
    };
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = ReadRequests(terminal());
        ServeTransfers(terminal(), kCommand, result_, {{c.total, c.packetSize}});
        std::uint16_t code = 0;
        EXPECT_EQ(Read(connection, code, 3000, c.verify), c.result);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(ReadRequests(terminal()) - before, 1) << "no further attempt";
        if (code == bad) {
            EXPECT_EQ(data_[0], 0xEE);
        }
    }

    // An announcement too short to carry a packet size.
    AnswerReads([&](const Packet& p) {
        terminal().Reply(p, CMD_DATA_ANNOUNCE, {0x10, 0, 0, 0});
        terminal().DeliverSilence(1);
    });
    std::uint16_t code = 0;
    EXPECT_EQ(Read(connection, code, 3000, true), 0);
    EXPECT_EQ(code, bad);
}

TEST_F(MultiReadTest, PacketShorterThanItsHeader) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const auto pieces = Pieces({0, 1, 2});
    AnswerReads([&](const Packet& p) {
        terminal().Announce(p, kTotal, 1024);
        const std::uint8_t runt[5] = {0, 0, 0, 0, 0};
        terminal().Deliver(runt, sizeof runt);
        terminal().DeliverData(p.number(), result_.data(), kTotal, 1024, pieces.data(), 3);
        terminal().DeliverSilence(2);
    });
    std::uint16_t code = 0;
    EXPECT_EQ(Read(connection, code, 3000, false), -3);
    EXPECT_EQ(code, static_cast<std::uint16_t>(ERR_RECEIVE_FAILED));
    EXPECT_EQ(data_[0], 0xEE);
}

TEST_F(MultiReadTest, ParameterLengthOutsideTheSavedCopy) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    ServeTransfers(terminal(), kCommand, result_, {{kTotal}});
    for (int length : {1025, -1}) {
        SCOPED_TRACE(length);
        std::uint16_t code = 0;
        EXPECT_EQ(Read(connection, code, 3000, true, 600, length), 0);
        EXPECT_EQ(code, static_cast<std::uint16_t>(ERR_SEND_FAILED));
        EXPECT_EQ(ReadRequests(terminal()), 0) << "nothing sent";
    }
    // 1024 bytes of parameters go out, and every attempt sends them again unchanged.
    ServeTransfers(terminal(), kCommand, result_, {{kTotal, 1024, Pieces({0, 2})}});
    data_.assign(3000, 0);
    for (int i = 0; i < 1024; ++i) {
        data_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 3);
    }
    const Bytes parameters(data_.begin(), data_.begin() + 1024);
    std::uint16_t code = kCommand;
    TERMPRO_READDATA1(connection, &code, reinterpret_cast<char*>(data_.data()), 3000, 1024, 1, 600);
    int requests = 0;
    for (const Packet& p : terminal().Requests()) {
        if (p.code() == kCommand) {
            EXPECT_EQ(p.payload(), parameters);
            ++requests;
        }
    }
    EXPECT_EQ(requests, 6);
}

TEST_F(MultiReadTest, WaitsForEachPacketAThirdOfTheTimeOut) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    ServeTransfers(terminal(), kCommand, result_, {{kTotal, 1024, Pieces({0, 1, 2}), 0}});
    std::uint16_t code = 0;
    Read(connection, code, 3000, false, 1000);
    EXPECT_EQ(code, REPLY_OK);
    auto timeouts = terminal().ReadTimeouts(CurrentThreadId());
    ASSERT_FALSE(timeouts.empty());
    EXPECT_EQ(timeouts.front(), 333);
    EXPECT_EQ(timeouts.back(), 200) << "the drain";
}

TEST_F(MultiReadTest, CompletenessIsTestedAtTheLastPacketOrInSilence) {
    // After the last packet: the trailing read of verified reception (100 ms) and the drain
    // (200 ms); a wait for silence adds one packet wait (800 ms).
    struct {
        const char* what;
        bool verify;
        std::vector<DataPiece> pieces;
        int elapsedMs;
    } cases[] = {
        {"verified 0 1 2: done at packet 2", true, Pieces({0, 1, 2}), 300},
        {"0 and 2: done at packet 2", false, Pieces({0, 2}), 200},
        {"verified 2 0 1: done after one packet wait", true, Pieces({2, 0, 1}), 1100},
    };
    // Suspended rather than woken around sends, the reader costs no read time-out here.
    TermConnection* connection = Open(true, "scripttransport_nowake");
    ASSERT_NE(connection, nullptr);
    constexpr int kTimeout = 2400; // packets are waited for 800 ms
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServeTransfers(terminal(), kCommand, result_, {{kTotal, 1024, c.pieces, 0}});
        std::uint16_t code = 0;
        Stopwatch watch;
        EXPECT_EQ(Read(connection, code, 3000, c.verify, kTimeout), 3000);
        EXPECT_EQ(code, REPLY_OK);
        EXPECT_EQ(watch.ElapsedMs(), c.elapsedMs);
    }
}

TEST_F(MultiReadTest, TransportIsDrainedBeforeReturn) {
    TermConnection* connection = Open(false); // no reader: nobody else reads the transport
    ASSERT_NE(connection, nullptr);
    ServeTransfers(terminal(), kCommand, result_, {{kTotal, 1024, Pieces({0, 1, 2, 2, 1}), 0}});
    std::uint16_t code = 0;
    EXPECT_EQ(Read(connection, code, 3000, false), 3000);
    EXPECT_EQ(terminal().Pending(), 0) << "the late repeats were swallowed";

    // So the next command gets its own reply.
    terminal().SetResponder([&](const Packet& p) { terminal().Reply(p, REPLY_OK, {0x42}); });
    std::uint8_t reply = 0;
    code = 1234;
    TERMPRO_SENDCMD(connection, &code, &reply, 1, 0, 100);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(reply, 0x42);
}

#if defined(_WIN32)

TEST_F(MultiReadTest, FaultInTheTransportAbandonsTheAttempt) {
    struct {
        const char* what;
        bool verify;
        std::uint16_t code;
        int result;
        int requests;
    } cases[] = {
        {"verified: the next attempt reads it", true, REPLY_OK, 3000, 2},
        {"one attempt only", false, static_cast<std::uint16_t>(ERR_RECEIVE_FAILED), -5, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        TermConnection* connection = Open(false); // every read on this thread
        ASSERT_NE(connection, nullptr);
        ServeTransfers(terminal(), kCommand, result_, {{kTotal, 1024, {}, 1}});
        terminal().FaultInRead(2); // the first data packet's read
        std::uint16_t code = 0;
        EXPECT_EQ(Read(connection, code, 3000, c.verify), c.result);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(ReadRequests(terminal()), c.requests);
        Close(connection);
    }
}

TEST_F(MultiReadTest, FaultWhileTheReaderIsSuspendedLeavesItRunning) {
    // Without EMBUDP_TERMINALREAD the reader is suspended around each send.
    TermConnection* connection = Open(true, "scripttransport_nowake");
    ASSERT_NE(connection, nullptr);
    ServeTransfers(terminal(), kCommand, result_, {{kTotal}});
    terminal().FaultInSend(1);
    std::uint16_t code = 0;
    EXPECT_EQ(Read(connection, code, 3000, true), 3000);
    EXPECT_EQ(code, REPLY_OK);
    // The reader reads again: an event reaches the callback, and closing does not hang.
    terminal().Deliver(MakePacket(EVENT_PACKET, 7, 9));
    EXPECT_EQ(Recorder().WaitFor(1, 3000).size(), 1U);
    Close(connection);
}

#endif

} // namespace
