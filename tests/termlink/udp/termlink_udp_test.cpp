// termlink end to end: the library (through termlink.h only) talks over the UDP transport to
// the simulated terminal on 127.0.0.1.
#include "terminal_server.h"
#include "termlink.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using termsim::Event;
using termsim::TerminalModel;
using termsim::TerminalServer;

constexpr int kTimeoutMs = 2000;
constexpr std::uint32_t kPassword = 0x12345678;

std::int16_t Signed(std::uint16_t code) {
    return static_cast<std::int16_t>(code);
}

// Every event that reached a callback, from any connection.
struct EventLog {
    struct Entry {
        int value;
        int id;
        std::string payload;
    };

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Entry> entries;

    std::vector<Entry> WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait_for(lock, std::chrono::milliseconds(kTimeoutMs),
                         [&] { return entries.size() >= count; });
        return entries;
    }
};

EventLog g_events;

int TERMLINK_CALL OnEvent(int value, int id, int length, const unsigned char* payload) {
    {
        std::lock_guard<std::mutex> lock(g_events.mutex);
        g_events.entries.push_back({value, id,
                                    std::string(reinterpret_cast<const char*>(payload),
                                                static_cast<std::size_t>(length))});
    }
    g_events.arrived.notify_all();
    return 0;
}

Event MakeEvent(std::uint16_t id, const std::string& text, std::optional<std::uint16_t> number,
                int copies = 1) {
    Event event;
    event.id = id;
    event.payload.assign(text.begin(), text.end());
    event.number = number;
    event.copies = copies;
    return event;
}

class UdpSession : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard<std::mutex> lock(g_events.mutex);
        g_events.entries.clear();
    }
    void TearDown() override {
        for (TermConnection* c : open_) {
            TERMPRO_CLOSE(c);
        }
    }

    void StartTerminal(termsim::Settings settings = {}) {
        server_ = std::make_unique<TerminalServer>(settings);
        server_->With([](TerminalModel& model) { model.AddSampleCommands(); });
        ASSERT_TRUE(server_->Start());
    }

    TermConnection* Open(bool withCallback, std::uint32_t password = 0, int callbackValue = 1) {
        TermConnection* c =
            TERMPRO_INIT(UDPTRANSPORT_FILE, server_->port(), 0, 0, withCallback ? OnEvent : nullptr,
                         callbackValue, static_cast<int>(password), kTimeoutMs);
        if (c != nullptr) {
            open_.push_back(c);
        }
        return c;
    }

    void Close(TermConnection* c) {
        std::erase(open_, c);
        TERMPRO_CLOSE(c);
    }

    std::uint16_t LatestSession() {
        return server_->With([](TerminalModel& m) { return m.sessions().rbegin()->first; });
    }

    bool WaitForAcknowledgements(std::size_t count) {
        return server_->WaitUntil(
            [count](const TerminalModel& m) { return m.acknowledgements().size() >= count; },
            kTimeoutMs);
    }

    std::unique_ptr<TerminalServer> server_;
    std::vector<TermConnection*> open_;
};

TEST_F(UdpSession, CommandsRunWithAndWithoutCallback) {
    StartTerminal();
    for (const bool withCallback : {false, true}) {
        SCOPED_TRACE(withCallback ? "with callback" : "without callback");
        TermConnection* c = Open(withCallback);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(TERMPRO_LASTERROR(), TERMPRO_INIT_OK);
        const std::uint16_t session = LatestSession();

        // The largest request a "UDP" transport carries, echoed back whole.
        std::vector<std::uint8_t> data(1024);
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<std::uint8_t>(i * 13);
        }
        const std::vector<std::uint8_t> sent = data;
        std::uint16_t code = termsim::kCmdEcho;
        EXPECT_EQ(TERMPRO_SENDCMD(c, &code, data.data(), 1024, 1024, kTimeoutMs), session);
        EXPECT_EQ(code, REPLY_OK);
        EXPECT_EQ(data, sent);

        // One byte more does not go out at all.
        const int echoes =
            server_->With([](TerminalModel& m) { return m.Count(termsim::kCmdEcho); });
        std::vector<std::uint8_t> tooLarge(1025);
        code = termsim::kCmdEcho;
        EXPECT_EQ(TERMPRO_SENDCMD(c, &code, tooLarge.data(), 0, 1025, kTimeoutMs), 0);
        EXPECT_EQ(Signed(code), ERR_SEND_FAILED);
        EXPECT_EQ(server_->With([](TerminalModel& m) { return m.Count(termsim::kCmdEcho); }),
                  echoes);

        // A reply is cut to the capacity.
        char text[16] = {};
        code = termsim::kCmdInfo;
        EXPECT_EQ(TERMPRO_SENDCMD(c, &code, text, 7, 0, kTimeoutMs), session);
        EXPECT_EQ(code, REPLY_OK);
        EXPECT_STREQ(text, std::string(termsim::kTerminalName, 7).c_str());

        code = 77;
        TERMPRO_SENDCMD(c, &code, nullptr, 0, 0, kTimeoutMs);
        EXPECT_EQ(code, REPLY_UNSUPPORTED);

        Close(c);
        EXPECT_TRUE(server_->WaitUntil(
            [session](const TerminalModel& m) { return m.FindSession(session)->disconnected; },
            kTimeoutMs));
    }
}

TEST_F(UdpSession, AuthenticationChecksThePassword) {
    termsim::Settings settings;
    settings.requireAuthentication = true;
    settings.password = kPassword;
    StartTerminal(settings);
    struct Case {
        std::uint32_t password;
        bool withCallback;
        bool opens;
    };
    const Case cases[] = {
        {kPassword, true, true},
        {kPassword, false, true},
        {kPassword ^ 0x100, true, false},
        {0x87654321, false, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << k.password << " callback " << k.withCallback);
        TermConnection* c = Open(k.withCallback, k.password);
        EXPECT_EQ(c != nullptr, k.opens);
        EXPECT_EQ(TERMPRO_LASTERROR(), k.opens ? TERMPRO_INIT_OK : TERMPRO_INIT_AUTHENTICATION);
        const std::uint16_t session = LatestSession();
        EXPECT_EQ(
            server_->With([&](TerminalModel& m) { return m.FindSession(session)->authenticated; }),
            k.opens);
        if (c != nullptr) {
            std::uint16_t code = termsim::kCmdInfo;
            TERMPRO_SENDCMD(c, &code, nullptr, 0, 0, kTimeoutMs);
            EXPECT_EQ(code, REPLY_OK);
            Close(c);
        }
    }
}

TEST_F(UdpSession, EventReachesTheCallbackAndIsAcknowledged) {
    termsim::Settings settings;
    settings.firstSessionId = 0x0012;
    StartTerminal(settings);
    ASSERT_NE(Open(true, 0, 5), nullptr);
    ASSERT_EQ(LatestSession(), 0x0012);

    ASSERT_TRUE(server_->SendEvent(0x0012, MakeEvent(7, "badge 0042 in", 5)));
    const auto events = g_events.WaitFor(1);
    ASSERT_EQ(events.size(), 1U);
    EXPECT_EQ(events[0].value, 5);
    EXPECT_EQ(events[0].id, 7);
    EXPECT_EQ(events[0].payload, "badge 0042 in");

    ASSERT_TRUE(WaitForAcknowledgements(1));
    const auto ack = server_->With([](TerminalModel& m) { return m.acknowledgements()[0]; });
    const std::array<std::uint8_t, 8> expected = {0xD0, 0x07, 0x18, 0xF8, 0x12, 0x00, 0x05, 0x00};
    EXPECT_EQ(ack.bytes, expected);
}

TEST_F(UdpSession, RepeatedEventAfterACommandIsDeliveredOnce) {
    StartTerminal();
    // The terminal sends the same event twice after its reply, as after a lost acknowledgement.
    server_->With([](TerminalModel& m) {
        m.SetCommand(60, [](termsim::Responder& r) {
            r.Reply(REPLY_OK);
            r.SendEvent(MakeEvent(3, "door open", std::nullopt, 2));
        });
    });
    TermConnection* c = Open(true);
    ASSERT_NE(c, nullptr);
    std::uint16_t code = 60;
    TERMPRO_SENDCMD(c, &code, nullptr, 0, 0, kTimeoutMs);
    EXPECT_EQ(code, REPLY_OK);

    // Both copies are acknowledged alike; the callback runs for the first only.
    ASSERT_TRUE(WaitForAcknowledgements(2));
    const auto acks = server_->With([](TerminalModel& m) { return m.acknowledgements(); });
    EXPECT_EQ(acks[0].bytes, acks[1].bytes);
    EXPECT_EQ(acks[0].session, LatestSession());
    EXPECT_EQ(g_events.WaitFor(1).size(), 1U);

    // The next event, with its own number, is delivered.
    ASSERT_TRUE(server_->SendEvent(LatestSession(), MakeEvent(4, "door closed", std::nullopt)));
    const auto events = g_events.WaitFor(2);
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[0].payload, "door open");
    EXPECT_EQ(events[1].payload, "door closed");
}

TEST_F(UdpSession, EventsOfTwoConnectionsAreKeptApart) {
    StartTerminal();
    ASSERT_NE(Open(true, 0, 1), nullptr);
    const std::uint16_t first = LatestSession();
    ASSERT_NE(Open(true, 0, 2), nullptr);
    const std::uint16_t second = LatestSession();

    // The same event number from two terminals' sessions is two events, not a repeat.
    ASSERT_TRUE(server_->SendEvent(first, MakeEvent(1, "badge 1", 9)));
    ASSERT_TRUE(WaitForAcknowledgements(1));
    ASSERT_TRUE(server_->SendEvent(second, MakeEvent(1, "badge 2", 9)));
    ASSERT_TRUE(WaitForAcknowledgements(2));
    const auto events = g_events.WaitFor(2);
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[0].value, 1);
    EXPECT_EQ(events[0].payload, "badge 1");
    EXPECT_EQ(events[1].value, 2);
    EXPECT_EQ(events[1].payload, "badge 2");
}

} // namespace
