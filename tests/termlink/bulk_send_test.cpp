// Sending data blocks: TERMPRO_SENDDATA's announcement and chunks, refused chunks and their
// numbers, and TERMPRO_SENDCMDDATA's hash question, command and frees.
#include "bulk_terminal.h"
#include "termlink_fixture.h"

#include <memory>

using namespace scripted;

namespace {

constexpr int kSilent = -1;
constexpr std::uint16_t kCommand = 1010;
constexpr std::uint16_t kFreeSession = 0x77; // the free's answers carry it, to tell its result

// How the terminal answers the packets of a block transfer and what follows it.
struct Script {
    int announce = REPLY_OK;
    std::vector<int> chunks = {REPLY_ACCEPTED}; // in turn; the last one repeats
    int hashCode = REPLY_OK;
    bool hashMatches = true;
    int command = REPLY_OK;
    std::vector<int> frees = {REPLY_OK};
};

void Serve(Terminal& terminal, const Script& script, std::uint32_t blockHash) {
    auto chunks = std::make_shared<std::atomic<std::size_t>>(0);
    auto frees = std::make_shared<std::atomic<std::size_t>>(0);
    terminal.SetResponder([&terminal, script, blockHash, chunks, frees](const Packet& p) {
        auto reply = [&](int code) {
            if (code != kSilent) {
                terminal.Reply(p, static_cast<std::uint16_t>(code));
            }
        };
        switch (p.code()) {
        case CMD_CONNECT:
        case CMD_DISCONNECT:
            terminal.DefaultRespond(p);
            break;
        case CMD_DATA_ANNOUNCE:
            reply(script.announce);
            break;
        case CMD_DATA_CHUNK:
            reply(script.chunks[std::min(chunks->fetch_add(1), script.chunks.size() - 1)]);
            break;
        case CMD_DATA_HASH: {
            const std::uint32_t h = script.hashMatches ? blockHash : blockHash + 1;
            terminal.Reply(p, static_cast<std::uint16_t>(script.hashCode),
                           {static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8),
                            static_cast<std::uint8_t>(h >> 16),
                            static_cast<std::uint8_t>(h >> 24)});
            break;
        }
        case CMD_DATA_FREE: {
            const int code = script.frees[std::min(frees->fetch_add(1), script.frees.size() - 1)];
            terminal.DeliverPacket(static_cast<std::uint16_t>(code), kFreeSession, p.number());
            break;
        }
        case REPLY_OK:
            break;
        default:
            reply(script.command);
            break;
        }
    });
}

std::vector<Packet> SentWithCode(const Terminal& terminal, std::uint16_t code) {
    std::vector<Packet> packets;
    for (const Packet& p : terminal.Requests()) {
        if (p.code() == code) {
            packets.push_back(p);
        }
    }
    return packets;
}

class BulkSendTest : public TermlinkTest {};

TEST_F(BulkSendTest, BlockGoesOutInWholePackets) {
    struct {
        const char* transport;
        int length;
        std::vector<std::size_t> chunks;
    } cases[] = {
        {"UDP", 2500, {1024, 1024, 452}},
        {"UDP", 1024, {1024}},
        {"TCP", 70000, {65528, 4472}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.transport) + " " + std::to_string(c.length));
        terminal().Reset();
        terminal().SetName(c.transport);
        TermConnection* connection = Open(true);
        ASSERT_NE(connection, nullptr);
        const Bytes block = Pattern(static_cast<std::size_t>(c.length));
        Serve(terminal(), Script{}, 0);

        EXPECT_EQ(TERMPRO_SENDDATA(connection, reinterpret_cast<const char*>(block.data()),
                                   c.length, 300),
                  1);
        auto announcements = SentWithCode(terminal(), CMD_DATA_ANNOUNCE);
        ASSERT_EQ(announcements.size(), 1U);
        EXPECT_EQ(PayloadU32(announcements[0], 0), static_cast<std::uint32_t>(c.length));
        Bytes received;
        std::vector<std::size_t> sizes;
        int number = announcements[0].number();
        for (const Packet& chunk : SentWithCode(terminal(), CMD_DATA_CHUNK)) {
            EXPECT_EQ(chunk.number(), ++number);
            sizes.push_back(chunk.payload().size());
            Bytes payload = chunk.payload();
            received.insert(received.end(), payload.begin(), payload.end());
        }
        EXPECT_EQ(sizes, c.chunks);
        EXPECT_EQ(received, block);
        Close(connection);
    }
}

TEST_F(BulkSendTest, ZeroNegativeAndRefusedAnnouncements) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const Bytes block = Pattern(2500);
    struct {
        int length;
        int announce;
        int expected;
        std::uint32_t announced;
    } cases[] = {
        {0, REPLY_OK, 1, 0},
        {0, REPLY_ERROR, 1, 0}, // nothing was to be sent
        {-5, REPLY_OK, 0, 0xFFFFFFFBU},
        {2500, REPLY_ERROR, 0, 2500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.length) + " announced, answer " + std::to_string(c.announce));
        Script script;
        script.announce = c.announce;
        Serve(terminal(), script, 0);
        const std::size_t before = terminal().Requests().size();
        EXPECT_EQ(
            TERMPRO_SENDDATA(connection, reinterpret_cast<const char*>(block.data()), c.length, 20),
            c.expected);
        auto sent = terminal().Requests();
        sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(before));
        ASSERT_FALSE(sent.empty());
        for (const Packet& p : sent) {
            EXPECT_EQ(p.code(), CMD_DATA_ANNOUNCE) << "no chunk";
            EXPECT_EQ(PayloadU32(p, 0), c.announced);
        }
    }
}

TEST_F(BulkSendTest, ChunkRefusedFiveTimesKeepsItsNumber) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    Script script;
    script.chunks = {REPLY_ACCEPTED, REPLY_ERROR};
    Serve(terminal(), script, 0);
    const Bytes block = Pattern(2500);
    EXPECT_EQ(TERMPRO_SENDDATA(connection, reinterpret_cast<const char*>(block.data()), 2500, 300),
              0);
    auto chunks = SentWithCode(terminal(), CMD_DATA_CHUNK);
    ASSERT_EQ(chunks.size(), 6U) << "the first chunk, then five tries of the second";
    for (std::size_t i = 1; i < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].number(), chunks[1].number());
        EXPECT_EQ(chunks[i].payload().size(), 1024U);
    }
    // The sequence ends one above the refused chunk's number.
    std::uint16_t code = kCommand;
    TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 300);
    EXPECT_EQ(terminal().Requests().back().number(), chunks[1].number() + 1);
}

TEST_F(BulkSendTest, RefusedSendsStepTheNumberBackEachTry) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    // After the announcement the transport refuses every send.
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() == CMD_DATA_ANNOUNCE) {
            terminal().Reply(p, REPLY_OK);
            terminal().SetSendResult(0);
        } else {
            terminal().DefaultRespond(p);
        }
    });
    const Bytes block = Pattern(100);
    EXPECT_EQ(TERMPRO_SENDDATA(connection, reinterpret_cast<const char*>(block.data()), 100, 30),
              0);
    terminal().SetSendResult(1);
    const int announced = SentWithCode(terminal(), CMD_DATA_ANNOUNCE).at(0).number();
    std::vector<int> numbers;
    for (const Packet& chunk : SentWithCode(terminal(), CMD_DATA_CHUNK)) {
        numbers.push_back(chunk.number());
    }
    // Two attempts per try; each try steps one lower (modulo 65536).
    std::vector<int> expected;
    for (int step = 1; step >= -3; --step) {
        expected.insert(expected.end(), 2, (announced + step) & 0xFFFF);
    }
    EXPECT_EQ(numbers, expected);
}

TEST_F(BulkSendTest, SendCmdDataOutcomes) {
    const std::uint16_t A = CMD_DATA_ANNOUNCE, C = CMD_DATA_CHUNK, H = CMD_DATA_HASH,
                        F = CMD_DATA_FREE, K = kCommand;
    struct Case {
        const char* what;
        Script script;
        int length;
        int expectedCode; // as int16_t
        int expectedResult;
        std::vector<int> sent;
    };
    auto with = [](auto change) {
        Script s;
        change(s);
        return s;
    };
    const Case cases[] = {
        {"success", Script{}, 1500, REPLY_OK, kFreeSession, {A, C, C, H, K, F}},
        {"hash unsupported: not compared",
         with([](Script& s) {
             s.hashCode = REPLY_UNSUPPORTED;
             s.hashMatches = false;
         }),
         1500,
         REPLY_OK,
         kFreeSession,
         {A, C, C, H, K, F}},
        {"hash differs", with([](Script& s) { s.hashMatches = false; }), 1500, K, 0, {A, C, C, H}},
        {"hash refused",
         with([](Script& s) { s.hashCode = REPLY_ERROR; }),
         1500,
         K,
         0,
         {A, C, C, H}},
        {"command refused: no free",
         with([](Script& s) { s.command = REPLY_ERROR; }),
         1500,
         REPLY_ERROR,
         0x12,
         {A, C, C, H, K}},
        {"command without data",
         with([](Script& s) { s.command = REPLY_OK_NO_DATA; }),
         1500,
         REPLY_OK,
         kFreeSession,
         {A, C, C, H, K, F}},
        {"free refused twice still ends OK",
         with([](Script& s) { s.frees = {REPLY_ERROR}; }),
         1500,
         REPLY_OK,
         kFreeSession,
         {A, C, C, H, K, F, F}},
        {"free refused once",
         with([](Script& s) {
             s.frees = {REPLY_ERROR, REPLY_OK};
         }),
         1500,
         REPLY_OK,
         kFreeSession,
         {A, C, C, H, K, F, F}},
        {"block not sent",
         with([](Script& s) { s.announce = REPLY_ERROR; }),
         1500,
         ERR_NO_REPLY,
         0,
         {A}},
        {"negative length", Script{}, -1, ERR_NO_REPLY, 0, {A}},
        {"empty block", Script{}, 0, REPLY_OK, kFreeSession, {A, H, K, F}},
    };
    const Bytes block = Pattern(1500, 9);
    const std::uint32_t rightHash = TerminalHash(block);
    const Bytes parameters = {0x10, 0x20, 0x30};
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Serve(terminal(), c.script, c.length > 0 ? rightHash : 0);
        const std::size_t before = terminal().Requests().size();

        std::uint16_t code = kCommand;
        const int result =
            TERMPRO_SENDCMDDATA(connection, &code, reinterpret_cast<const char*>(block.data()),
                                c.length, parameters.data(), 3, 200);
        EXPECT_EQ(static_cast<std::int16_t>(code), static_cast<std::int16_t>(c.expectedCode));
        EXPECT_EQ(result, c.expectedResult);
        std::vector<int> sent;
        for (std::size_t i = before; i < terminal().Requests().size(); ++i) {
            const Packet p = terminal().Requests()[i];
            sent.push_back(p.code());
            if (p.code() == kCommand) {
                EXPECT_EQ(p.payload(), parameters);
            } else if (p.code() == CMD_DATA_HASH) {
                EXPECT_TRUE(p.payload().empty());
            }
        }
        EXPECT_EQ(sent, c.sent);
    }
}

} // namespace
