// The reader thread: events to the callback, their acknowledgement, repeats, damaged packets,
// the paused reader of transports without EMBUDP_TERMINALREAD, a wake that comes just before a
// read, and a stuck reader's restart.
#include "process_probe.h"

#include "termlink_fixture.h"
#include <algorithm>

using namespace scripted;

namespace {

constexpr std::uint16_t kCommand = 1010;

class ReaderTest : public TermlinkTest {
protected:
    std::vector<Packet> Acks() const {
        std::vector<Packet> acks;
        for (const Packet& p : TheTerminal().Sent()) {
            if (p.code() == REPLY_OK) {
                acks.push_back(p);
            }
        }
        return acks;
    }

    // Waits until `count` acknowledgements were sent.
    std::vector<Packet> WaitForAcks(std::size_t count, int ms = 3000) {
        TheClock().AwaitFor(ms, [&] { return Acks().size() >= count; });
        return Acks();
    }
};

TEST_F(ReaderTest, EventReachesTheCallbackAndIsAcknowledged) {
    TermConnection* connection = Open(true, "scripttransport", 0, 1000, 4242);
    ASSERT_NE(connection, nullptr);
    terminal().Deliver(MakePacket(EVENT_PACKET, 0x0007, 5, {0xA1, 0xA2, 0xA3}));

    auto events = Recorder().WaitFor(1, 3000);
    ASSERT_EQ(events.size(), 1U);
    EXPECT_EQ(events[0].callbackValue, 4242);
    EXPECT_EQ(events[0].id, 7);
    EXPECT_EQ(events[0].payload, (Bytes{0xA1, 0xA2, 0xA3}));

    auto acks = WaitForAcks(1);
    ASSERT_EQ(acks.size(), 1U);
    EXPECT_EQ(acks[0].bytes(), (Bytes{0xD0, 0x07, 0x18, 0xF8, 0x12, 0x00, 0x05, 0x00}));
    EXPECT_NE(acks[0].sender, CurrentThreadId()) << "sent by the reader";
}

TEST_F(ReaderTest, EventWithoutCallbackIsAcknowledgedOnTheCallersThread) {
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    terminal().Deliver(MakePacket(EVENT_PACKET, 0x0007, 5));
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() != REPLY_OK) {
            terminal().Reply(p, REPLY_OK);
        }
    });
    std::uint16_t code = kCommand;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 30), 0x12);
    auto acks = Acks();
    ASSERT_EQ(acks.size(), 1U);
    EXPECT_EQ(acks[0].bytes(), (Bytes{0xD0, 0x07, 0x18, 0xF8, 0x12, 0x00, 0x05, 0x00}));
    EXPECT_EQ(acks[0].sender, CurrentThreadId());
}

TEST_F(ReaderTest, RepeatsAreDeliveredOnceButAcknowledgedEachTime) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    // Numbers 9, 9, 0, 0, 10: the second 9 is a repeat; 0 is never taken for one.
    for (std::uint16_t number : {9, 9, 0, 0, 10}) {
        terminal().Deliver(MakePacket(EVENT_PACKET, number, number));
    }
    WaitForAcks(5);
    auto events = Recorder().WaitFor(4, 3000);
    std::vector<int> ids(events.size());
    std::transform(events.begin(), events.end(), ids.begin(), [](const Event& e) { return e.id; });
    EXPECT_EQ(ids, (std::vector<int>{9, 0, 0, 10}));
    EXPECT_EQ(Acks().size(), 5U);
}

// One terminal's event never passes for a repeat of another connection's last event.
TEST_F(ReaderTest, RepeatsAreJudgedPerConnection) {
    TermConnection* first = Open(true, "scripttransport", 0, 1000, 1);
    ASSERT_NE(first, nullptr);
    terminal().Deliver(MakePacket(EVENT_PACKET, 1, 31));
    ASSERT_EQ(Recorder().WaitFor(1, 3000).size(), 1U);
    Close(first);

    TermConnection* second = Open(true, "scripttransport", 0, 1000, 2);
    ASSERT_NE(second, nullptr);
    terminal().Deliver(MakePacket(EVENT_PACKET, 2, 31));
    auto events = Recorder().WaitFor(2, 3000);
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[1].callbackValue, 2);
}

TEST_F(ReaderTest, DamagedPacketsAreDroppedUnanswered) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    Bytes shortEvent = MakePacket(EVENT_PACKET, 3, 3);
    shortEvent.resize(6);
    terminal().Deliver(MakePacket(EVENT_PACKET, 1, 1, {1, 2}, /*badChecksum=*/true));
    terminal().Deliver(shortEvent);
    terminal().Deliver(Bytes{0xF4, 0x01});
    terminal().Deliver(MakePacket(EVENT_PACKET, 4, 4));

    auto events = Recorder().WaitFor(1, 3000);
    ASSERT_EQ(events.size(), 1U);
    EXPECT_EQ(events[0].id, 4);
    auto acks = WaitForAcks(1);
    ASSERT_EQ(acks.size(), 1U);
    EXPECT_EQ(acks[0].number(), 4);
}

// Transports without EMBUDP_TERMINALREAD: the reader is paused around each send instead.
TEST_F(ReaderTest, TransportWithoutTerminalReadCarriesCommandsAndEvents) {
    TermConnection* connection = Open(true, "scripttransport_nowake");
    ASSERT_NE(connection, nullptr);
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() != REPLY_OK) {
            terminal().Reply(p, REPLY_OK, {static_cast<std::uint8_t>(p.number())}, 20);
        }
    });
    for (int i = 0; i < 20; ++i) {
        std::uint16_t code = kCommand;
        std::uint8_t reply = 0;
        EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, &reply, 1, 0, 500), 0x12);
        EXPECT_EQ(code, REPLY_OK);
        EXPECT_EQ(reply, i + 1);
        terminal().Deliver(MakePacket(EVENT_PACKET, static_cast<std::uint16_t>(i),
                                      static_cast<std::uint16_t>(i + 1)));
    }
    EXPECT_EQ(Recorder().WaitFor(20, 3000).size(), 20U);
}

// The reader marks itself busy before it goes into a transport read, so a command or a close
// may wake it just before that read begins to wait. The wake must still end the read: else the
// command waits out the reader's whole 1000 ms read before it sends, and a close, which wakes
// the reader three times, takes seconds. (A close may cost one read all the same: the
// disconnect's exchange releases the reader, which can come out of the read that the close's
// wake ended and begin the next before the close looks for it to be idle.)
TEST_F(ReaderTest, WakeJustBeforeTheReaderReadsEndsThatRead) {
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() != REPLY_OK) {
            terminal().Reply(p, REPLY_OK);
        }
    });
    for (const bool closing : {false, true}) {
        SCOPED_TRACE(closing ? "close" : "command");
        TermConnection* connection = Open(true);
        ASSERT_NE(connection, nullptr);
        terminal().HoldNextRead(); // the read after the one under way, if any
        TheClock().AwaitFor(3000, [&] { return terminal().ReadHeld(); });
        ASSERT_TRUE(terminal().ReadHeld());

        Stopwatch watch;
        if (closing) {
            Close(connection);
        } else {
            std::uint16_t code = kCommand;
            TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 1000);
            EXPECT_EQ(code, REPLY_OK);
        }
        EXPECT_LT(watch.ElapsedMs(), closing ? 1500 : 500);
        CloseAll();
    }
}

// A reader stuck in a transport read that ignores EMBUDP_TERMINALREAD is replaced; when its read
// returns at last, it hands nothing over and ends.
TEST_F(ReaderTest, StuckReaderIsReplacedAndNeverTouchesTheConnectionAgain) {
    TermConnection* connection = Open(true);
    ASSERT_NE(connection, nullptr);
    const int threads = probe::ThreadCount();
    // Let the reader enter its next read, which sticks and then returns a reply that any
    // number would accept.
    terminal().StickNextRead(8000, MakePacket(REPLY_ERROR, 0x6666, 0xFFFF, {0xBA, 0xD0}));
    ASSERT_TRUE(TheClock().AwaitFor(3000, [&] { return terminal().StuckReadBegun(); }));
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() != REPLY_OK) {
            terminal().Reply(p, REPLY_OK, {0x11});
        }
    });

    std::uint16_t code = kCommand;
    std::uint8_t reply[2] = {};
    Stopwatch watch;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, reply, 2, 0, 0), 0x12);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(reply[0], 0x11);
    EXPECT_EQ(watch.ElapsedMs(), 5000) << "waited for the reader to become idle";
    EXPECT_EQ(probe::ThreadCount(), threads + 1) << "the new reader runs beside the stuck one";

    // The stuck read returns its packet now; it must not be taken as the next reply.
    ASSERT_TRUE(TheClock().AwaitFor(8000, [&] { return terminal().StuckReadOver(); }));
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() != REPLY_OK) {
            terminal().Reply(p, REPLY_OK, {0x22}, 300);
        }
    });
    code = kCommand;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, reply, 2, 0, 1000), 0x12);
    EXPECT_EQ(code, REPLY_OK);
    EXPECT_EQ(reply[0], 0x22);
    EXPECT_TRUE(probe::ThreadCountBecomes(threads)) << "the stuck reader has ended";

    terminal().Deliver(MakePacket(EVENT_PACKET, 8, 8));
    EXPECT_EQ(Recorder().WaitFor(1, 3000).size(), 1U) << "events flow through the new reader";
}

} // namespace
