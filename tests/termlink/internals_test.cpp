// Internals of termlink that the exports do not show: the password scramble, the manual-reset
// events, the wrap of the request numbers, and the unwinding of an opening whose events or
// thread cannot be created.
#include "connection.h"
#include "os.h"
#include "process_probe.h"
#include "termlink_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace scripted;

namespace {

TEST(ScrambleCommKey, KnownValuesWithTheDefaultMask) {
    const std::uint8_t mask[4] = {TERMLINK_COMM_MASK};
    if (mask[0] != 0x5A || mask[1] != 0xC3 || mask[2] != 0x3C || mask[3] != 0xA5) {
        GTEST_SKIP() << "built with another mask";
    }
    struct {
        std::uint32_t password;
        std::uint16_t session;
        std::uint8_t tick;
        std::uint32_t expected;
    } cases[] = {
        // 1 reversed is 0x80000000; + 0x12; bytes 12 00 00 80 ^ mask = 48 C3 3C 25;
        // halves swapped: 3C 25 48 C3; then byte 2 = tick, bytes 0, 1, 3 ^= tick.
        {1, 0x0012, 0x00, 0xC300253C},
        {1, 0x0012, 0xFF, 0x3CFFDAC3},
        // 0 reversed is 0; + 0xFFFF: FF FF 00 00 ^ mask = A5 3C 3C A5; swapped: 3C A5 A5 3C.
        {0, 0xFFFF, 0x10, 0x2C10B52C},
        // All ones reversed stay all ones; + 1 wraps to 0: 00 00 00 00 ^ mask; swapped: 3C A5 5A
        // C3.
        {0xFFFFFFFF, 0x0001, 0x01, 0xC201A43D},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(termlink::ScrambleCommKey(c.password, c.session, c.tick), c.expected)
            << std::hex << c.password << " " << c.session;
    }
}

TEST(Event, SetResetAndTimedWaits) {
    using termlink::os::WaitResult;
    termlink::os::Event event;
    ASSERT_TRUE(event.create(true));
    EXPECT_EQ(event.wait(0), WaitResult::Signalled) << "created signalled";
    event.set();
    EXPECT_EQ(event.wait(-1), WaitResult::Signalled) << "a second set changes nothing";
    event.reset();
    event.reset();
    EXPECT_EQ(event.wait(0), WaitResult::TimedOut);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(event.wait(50), WaitResult::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(event.sleepers(), 0);

    // A waiter without limit is released by a set from another thread, and the event stays set.
    std::thread waiter([&] { EXPECT_EQ(event.wait(-1), WaitResult::Signalled); });
    while (event.sleepers() < 1) {
        std::this_thread::yield();
    }
    event.set();
    waiter.join();
    EXPECT_EQ(event.wait(0), WaitResult::Signalled);

    termlink::os::Event closed;
    EXPECT_EQ(closed.wait(0), WaitResult::Abandoned) << "never created";
}

// The reader sets readerIdle only for the moment between two reads; whoever waits for it then
// must be released even though the reset follows at once.
TEST(Event, SetReleasesTheThreadsWaitingThenEvenWhenResetAtOnce) {
    termlink::os::Event event;
    ASSERT_TRUE(event.create(false));
    EXPECT_EQ(event.wait(0), termlink::os::WaitResult::TimedOut);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    waiters.reserve(4);
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            if (event.wait(20000) == termlink::os::WaitResult::Signalled) {
                ++released;
            }
        });
    }
    // However slowly the threads start (sanitizers, Wine), set only once all four wait.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (event.sleepers() < 4 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    EXPECT_EQ(event.sleepers(), 4) << "all four are waiting";
    event.set();
    event.reset();
    for (std::thread& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released, 4);
    EXPECT_EQ(event.wait(0), termlink::os::WaitResult::TimedOut);
}

class InternalsTest : public TermlinkTest {};

TEST_F(InternalsTest, RequestNumberWrapsAndAnyReplyNumberIsTakenAfterIt) {
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    connection->sequence = 65535;
    // After the request numbered 65535 the next is 0, and a reply numbered 3 answers it.
    terminal().SetResponder([&](const Packet& p) {
        terminal().DeliverPacket(REPLY_OK, 0x22, static_cast<std::uint16_t>(p.number() + 4));
    });
    std::uint16_t code = 1010;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 0), 0x22);
    EXPECT_EQ(terminal().Requests().back().number(), 65535);
    EXPECT_EQ(connection->sequence, 0);
    code = 1010;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 0), 0x22);
    EXPECT_EQ(terminal().Requests().back().number(), 0);
}

TEST_F(InternalsTest, EventsOrThreadThatCannotBeCreatedUnwindTheOpening) {
    struct {
        const char* what;
        std::atomic<int>& hook;
        int successesBefore;
        int expected;
    } cases[] = {
        {"first event", termlink::os::eventCreatesBeforeFailure, 0, TERMPRO_INIT_EVENTS},
        {"last event", termlink::os::eventCreatesBeforeFailure, 3, TERMPRO_INIT_EVENTS},
        {"reader thread", termlink::os::threadStartsBeforeFailure, 0, TERMPRO_INIT_THREAD},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int threads = probe::ThreadCount();
        const int handles = probe::HandleCount();
        c.hook = c.successesBefore;
        EXPECT_EQ(Open(true), nullptr);
        c.hook = -1;
        EXPECT_EQ(TERMPRO_LASTERROR(), c.expected);
        EXPECT_EQ(terminal().OpenHandles(), 0);
        EXPECT_FALSE(probe::IsLoaded(TransportPath("scripttransport")));
        EXPECT_TRUE(probe::ThreadCountBecomes(threads));
        EXPECT_EQ(probe::HandleCount(), handles);
        EXPECT_TRUE(terminal().Sent().empty()) << "no connect was sent";
    }
}

} // namespace
