// Opening and closing connections: the connect and authentication exchange, the reasons of a
// failed opening, and that a failed opening leaves nothing behind.
#include "process_probe.h"
#include "termlink_fixture.h"

using namespace scripted;

namespace {

class ConnectionTest : public TermlinkTest {};

TEST_F(ConnectionTest, ConnectRequestBytesAndSession) {
    terminal().session = 0x0321;
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(TERMPRO_LASTERROR(), 0);
    const Bytes connect = {0xE8, 0x03, 0x17, 0xFC, 0x00, 0x00, 0x00, 0x00};
    ASSERT_FALSE(terminal().Sent().empty());
    EXPECT_EQ(terminal().Sent().front().bytes(), connect);

    // Later requests carry the session id of the connect reply and numbers from 1.
    terminal().SetResponder([&](const Packet& p) { terminal().Reply(p, REPLY_OK); });
    std::uint16_t code = 1234;
    TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 30);
    EXPECT_EQ(terminal().Sent().back().session(), 0x0321);
    EXPECT_EQ(terminal().Sent().back().number(), 1);
}

TEST_F(ConnectionTest, AuthenticationWhenAsked) {
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() == CMD_CONNECT) {
            terminal().DeliverPacket(REPLY_AUTH_REQUIRED, 0x0044, p.number());
        } else if (p.code() == CMD_AUTHENTICATE || p.code() == CMD_DISCONNECT) {
            terminal().Reply(p, REPLY_OK);
        }
    });
    TermConnection* connection = Open(true, "scripttransport", 123456);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(TERMPRO_LASTERROR(), 0);
    auto requests = terminal().Requests();
    ASSERT_EQ(requests.size(), 2U);
    EXPECT_EQ(requests[1].code(), CMD_AUTHENTICATE);
    EXPECT_EQ(requests[1].session(), 0x0044);
    EXPECT_EQ(requests[1].number(), 1);
    EXPECT_EQ(requests[1].payload().size(), 4U);
}

TEST_F(ConnectionTest, ConnectAnsweredWithoutDataCountsAsOk) {
    terminal().SetResponder([&](const Packet& p) {
        if (p.code() == CMD_CONNECT) {
            terminal().DeliverPacket(REPLY_OK_NO_DATA, 0x0055, p.number());
        }
    });
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    std::uint16_t code = 1234;
    TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 0);
    EXPECT_EQ(terminal().Sent().back().session(), 0x0055);
}

// Every failed opening returns null with its reason and leaves nothing open: no thread, no
// transport handle, no loaded library (and, under the sanitizers, no memory).
TEST_F(ConnectionTest, FailedOpeningsReportTheirReasonAndLeaveNothingOpen) {
    struct Case {
        const char* what;
        const char* variant;
        bool callback;
        int expected;
        std::function<void(Terminal&)> script;
    } cases[] = {
        {"transport lacks EMBUDP_READ", "scripttransport_noread", true, TERMPRO_INIT_NO_ENTRY,
         [](Terminal&) {}},
        {"EMBUDP_INIT fails", "scripttransport", true, TERMPRO_INIT_TRANSPORT,
         [](Terminal& t) { t.SetInitResult(false); }},
        {"connect refused", "scripttransport", true, TERMPRO_INIT_CONNECT,
         [](Terminal& t) { t.SetResponder([&t](const Packet& p) { t.Reply(p, REPLY_ERROR); }); }},
        {"connect unanswered, no reader", "scripttransport", false, TERMPRO_INIT_CONNECT,
         [](Terminal& t) { t.SetResponder([](const Packet&) {}); }},
        {"authentication refused", "scripttransport_nowake", true, TERMPRO_INIT_AUTHENTICATION,
         [](Terminal& t) {
             t.SetResponder([&t](const Packet& p) {
                 t.Reply(p, p.code() == CMD_CONNECT ? REPLY_AUTH_REQUIRED : REPLY_ERROR);
             });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        c.script(terminal());
        const int threads = probe::ThreadCount();
        const int handles = probe::HandleCount();
        EXPECT_EQ(Open(c.callback, c.variant, 0, 50), nullptr);
        EXPECT_EQ(TERMPRO_LASTERROR(), c.expected);
        EXPECT_EQ(terminal().OpenHandles(), 0);
        EXPECT_FALSE(probe::IsLoaded(TransportPath(c.variant)));
        EXPECT_TRUE(probe::ThreadCountBecomes(threads));
        EXPECT_EQ(probe::HandleCount(), handles);
    }
}

TEST_F(ConnectionTest, UnloadableTransportKeepsTheLastError) {
    terminal().SetResponder([&](const Packet& p) { terminal().Reply(p, REPLY_ERROR); });
    EXPECT_EQ(Open(false, "scripttransport", 0, 0), nullptr);
    ASSERT_EQ(TERMPRO_LASTERROR(), TERMPRO_INIT_CONNECT);
    EXPECT_EQ(Open(false, "no_such_transport"), nullptr);
    EXPECT_EQ(TERMPRO_LASTERROR(), TERMPRO_INIT_CONNECT);
    EXPECT_EQ(TERMPRO_INIT(nullptr, 0, 0, 0, nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(TERMPRO_LASTERROR(), TERMPRO_INIT_CONNECT);
}

TEST_F(ConnectionTest, WithoutCallbackNoThreadAndRepliesReadOnTheCallersThread) {
    const int threads = probe::ThreadCount();
    TermConnection* connection = Open(false);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(probe::ThreadCount(), threads);
    EXPECT_EQ(terminal().LastReadThread(), CurrentThreadId());

    TermConnection* withReader = Open(true);
    ASSERT_NE(withReader, nullptr);
    EXPECT_EQ(probe::ThreadCount(), threads + 1);
    Close(withReader);
    EXPECT_TRUE(probe::ThreadCountBecomes(threads));
}

TEST_F(ConnectionTest, CloseSendsDisconnectAndReleasesEverything) {
    for (const char* variant : {"scripttransport", "scripttransport_nowake"}) {
        for (bool callback : {false, true}) {
            SCOPED_TRACE(std::string(variant) + (callback ? " with reader" : " without reader"));
            terminal().Reset();
            const int threads = probe::ThreadCount();
            const int handles = probe::HandleCount();
            TermConnection* connection = Open(callback, variant);
            ASSERT_NE(connection, nullptr);
            Stopwatch watch;
            Close(connection);
            EXPECT_LT(watch.ElapsedMs(), 3000) << "the disconnect is answered at once";
            EXPECT_EQ(terminal().Requests().back().code(), CMD_DISCONNECT);
            EXPECT_EQ(terminal().OpenHandles(), 0);
            EXPECT_FALSE(probe::IsLoaded(TransportPath(variant)));
            EXPECT_TRUE(probe::ThreadCountBecomes(threads));
            EXPECT_EQ(probe::HandleCount(), handles);
        }
    }
}

} // namespace
