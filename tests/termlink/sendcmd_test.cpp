// TERMPRO_SENDCMD through the scriptable transport: attempts, pauses, retries, code mapping,
// numbering, size limits and reply truncation.
#include "termlink_fixture.h"

#include <cstring>
#include <string>

using namespace scripted;

namespace {

constexpr int kSilent = -1;
constexpr std::uint16_t kCommand = 1010;

// Answers each request but the connect with the next code of the list
// (the last one repeats); kSilent sends nothing.
void AnswerWith(Terminal& terminal, const std::vector<int>& codes, const Bytes& payload = {}) {
    auto next = std::make_shared<std::size_t>(0);
    terminal.SetResponder([&terminal, codes, payload, next](const Packet& request) {
        if (request.code() == CMD_CONNECT || request.code() == REPLY_OK) {
            terminal.DefaultRespond(request);
            return;
        }
        int code = codes[std::min(*next, codes.size() - 1)];
        ++*next;
        if (code != kSilent) {
            terminal.Reply(request, static_cast<std::uint16_t>(code), payload);
        }
    });
}

std::vector<int> NumbersOf(const std::vector<Packet>& packets) {
    std::vector<int> numbers;
    for (const Packet& p : packets) {
        if (p.code() != CMD_CONNECT) {
            numbers.push_back(p.number());
        }
    }
    return numbers;
}

struct SendCase {
    const char* what;
    std::uint16_t request;
    int capacity;
    int timeout;
    std::vector<int> answers;
    int expectedCode; // as int16_t
    int expectedResult;
    std::vector<int> expectedNumbers; // of the requests sent
    // Without a reader each attempt pauses 200 ms and then reads with the time-out; a busy
    // answer adds 200 ms. A call that ends in a retry case pauses 100 ms after it, the last
    // call too.
    int elapsedMs;
};

class SendCmdTest : public TermlinkTest {};

TEST_F(SendCmdTest, AttemptsRetriesAndCodesWithoutReader) {
    const int busy = REPLY_BUSY;
    const SendCase cases[] = {
        {"reply", kCommand, 16, 50, {REPLY_OK}, REPLY_OK, 0x12, {1}, 200},
        {"silent, capacity 0: 2 attempts, 2 calls",
         kCommand,
         0,
         30,
         {kSilent},
         ERR_NO_REPLY,
         -2,
         {1, 1, 2, 2},
         4 * 230 + 2 * 100},
        {"silent, capacity 16: 4 attempts, 2 calls",
         kCommand,
         16,
         10,
         {kSilent},
         ERR_NO_REPLY,
         -2,
         {1, 1, 1, 1, 2, 2, 2, 2},
         8 * 210 + 2 * 100},
        {"time-out 0: one attempt, one call",
         kCommand,
         16,
         0,
         {kSilent},
         ERR_NO_REPLY,
         -2,
         {1},
         200 + 100},
        {"disconnect always ends OK", CMD_DISCONNECT, 0, 30, {kSilent}, REPLY_OK, -2, {1}, 230},
        {"16 is never retried", 16, 0, 30, {kSilent}, ERR_NO_REPLY, -2, {1, 1}, 460},
        {"busy every time",
         kCommand,
         0,
         30,
         {busy},
         ERR_NO_REPLY,
         -2,
         {1, 1, 2, 2},
         4 * 400 + 2 * 100},
        {"busy, then reply", kCommand, 0, 30, {busy, REPLY_OK}, REPLY_OK, 0x12, {1, 1}, 600},
        {"no data without capacity reads OK",
         kCommand,
         0,
         30,
         {REPLY_OK_NO_DATA},
         REPLY_OK,
         0x12,
         {1},
         200},
        {"no data to a data request: retried once",
         kCommand,
         16,
         30,
         {REPLY_OK_NO_DATA},
         REPLY_OK_NO_DATA,
         0x12,
         {1, 2},
         2 * 200 + 2 * 100},
        {"no data to 17 stays", 17, 16, 30, {REPLY_OK_NO_DATA}, REPLY_OK_NO_DATA, 0x12, {1}, 200},
        {"error is final", kCommand, 16, 30, {REPLY_ERROR}, REPLY_ERROR, 0x12, {1}, 200},
        {"unsupported is final", kCommand, 16, 30, {REPLY_UNSUPPORTED}, -1, 0x12, {1}, 200},
    };
    for (const SendCase& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        TermConnection* connection = Open(false);
        ASSERT_NE(connection, nullptr);
        AnswerWith(terminal(), c.answers, {1, 2, 3, 4});

        std::uint16_t code = c.request;
        std::uint8_t data[16] = {};
        Stopwatch watch;
        int result = TERMPRO_SENDCMD(connection, &code, data, c.capacity, 0, c.timeout);
        EXPECT_EQ(static_cast<std::int16_t>(code), static_cast<std::int16_t>(c.expectedCode));
        EXPECT_EQ(result, c.expectedResult);
        EXPECT_EQ(NumbersOf(terminal().Requests()), c.expectedNumbers);
        EXPECT_EQ(watch.ElapsedMs(), c.elapsedMs);
        Close(connection);
    }
}

TEST_F(SendCmdTest, WithReaderThread) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);

    AnswerWith(terminal(), {REPLY_BUSY, REPLY_OK}, {9, 8, 7});
    std::uint16_t code = kCommand;
    std::uint8_t data[4] = {};
    Stopwatch watch;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, data, sizeof data, 0, 500), 0x12);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(watch.ElapsedMs(), 200) << "busy pause";
    EXPECT_EQ(data[0], 9);
    EXPECT_EQ(data[2], 7);

    // With a reader, a time-out of 0 still waits 5000 ms for the reply, once (and pauses 100 ms
    // after the call that ends without a reply).
    AnswerWith(terminal(), {kSilent});
    code = kCommand;
    Stopwatch silent;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, data, sizeof data, 0, 0), -2);
    EXPECT_EQ(static_cast<std::int16_t>(code), ERR_NO_REPLY);
    EXPECT_EQ(silent.ElapsedMs(), 5000 + 100);
    terminal().SetResponder(nullptr); // answer the disconnect
}

TEST_F(SendCmdTest, FailedSendsLeaveTheNumberUnchanged) {
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    terminal().SetSendResult(0);
    std::uint16_t code = kCommand;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 30), -2);
    EXPECT_EQ(static_cast<std::int16_t>(code), ERR_NO_REPLY);

    terminal().SetSendResult(1);
    AnswerWith(terminal(), {REPLY_OK});
    code = kCommand;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 30), 0x12);
    EXPECT_EQ(NumbersOf(terminal().Requests()), (std::vector<int>{1, 1, 1, 1, 1}));
}

TEST_F(SendCmdTest, ReplyNumbersBelowTheRequestAreIgnored) {
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    for (int delta : {-1, 0, 5}) {
        SCOPED_TRACE(delta);
        terminal().SetResponder([&](const Packet& request) {
            auto number = static_cast<std::uint16_t>(request.number() + delta);
            terminal().DeliverPacket(REPLY_OK, 0x33, number);
        });
        std::uint16_t code = kCommand;
        int result = TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 0);
        EXPECT_EQ(result, delta < 0 ? -2 : 0x33);
    }
}

TEST_F(SendCmdTest, PayloadLimitFollowsTheTransportName) {
    struct {
        const char* name;
        int largest;
    } cases[] = {{"UDP", 1024}, {"TCP/IP", 65528}, {"TCP", 65528}, {"tcp", 1024}, {"TC", 1024}};
    std::vector<std::uint8_t> payload(65536, 0xAB);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal().Reset();
        terminal().SetName(c.name);
        TermConnection* connection = Open(false);
        ASSERT_NE(connection, nullptr);
        AnswerWith(terminal(), {REPLY_OK});

        std::uint16_t code = kCommand;
        EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, payload.data(), 0, c.largest, 30), 0x12);
        EXPECT_EQ(code, REPLY_OK);
        ASSERT_EQ(terminal().Requests().size(), 2U);
        EXPECT_EQ(terminal().Requests().back().bytes().size(),
                  static_cast<std::size_t>(c.largest + 8));

        code = kCommand;
        EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, payload.data(), 0, c.largest + 1, 30), 0);
        EXPECT_EQ(static_cast<std::int16_t>(code), ERR_SEND_FAILED);
        EXPECT_EQ(terminal().Requests().size(), 2U) << "nothing goes out";
        Close(connection);
    }
}

TEST_F(SendCmdTest, ReplyIsCutToTheCapacity) {
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    Bytes payload(100);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<std::uint8_t>(i + 1);
    }
    AnswerWith(terminal(), {REPLY_OK}, payload);
    std::uint8_t data[32];
    std::memset(data, 0xEE, sizeof data);
    std::uint16_t code = kCommand;
    TERMPRO_SENDCMD(connection, &code, data, 16, 0, 30);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[15], 16);
    EXPECT_EQ(data[16], 0xEE);
}

TEST_F(SendCmdTest, TraceLineForARefusedChunkWithData) {
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    for (int answer : {REPLY_ERROR, REPLY_OK}) {
        AnswerWith(terminal(), {answer}, {1, 2});
        std::uint16_t code = CMD_DATA_CHUNK;
        std::uint8_t data[8] = {};
        testing::internal::CaptureStdout();
        TERMPRO_SENDCMD(connection, &code, data, sizeof data, 0, 30);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out, answer == REPLY_ERROR ? "haha\n" : "") << answer;
    }
}

TEST_F(SendCmdTest, NullArgumentsAreRefused) {
    std::uint16_t code = kCommand;
    EXPECT_EQ(TERMPRO_SENDCMD(nullptr, &code, nullptr, 0, 0, 10), ERR_SEND_FAILED);
    EXPECT_EQ(static_cast<std::int16_t>(code), ERR_SEND_FAILED);
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(TERMPRO_SENDCMD(connection, nullptr, nullptr, 0, 0, 10), ERR_SEND_FAILED);
    code = kCommand;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, nullptr, 0, 4, 10), 0) << "payload without data";
    EXPECT_EQ(static_cast<std::int16_t>(code), ERR_SEND_FAILED);
}

} // namespace
