// Modem connections: the dial before the connect, the modem's answers, the openings that end
// with -100 and leave nothing open, and the hang-up at close.
#include "process_probe.h"
#include "termlink_fixture.h"

#include <algorithm>
#include <string_view>

using namespace scripted;

namespace {

constexpr char kNumber[] = "0034934567890123456"; // 19 characters: the most that fits
const std::string kDial = std::string("ATD") + kNumber + "\r";

class ModemTest : public TermlinkTest {
protected:
    void TearDown() override {
        for (TermConnection* c : open_) {
            TERMPRO_CLOSE(c);
        }
        open_.clear();
        TermlinkTest::TearDown();
    }

    // Opens with TERMPRO_INITEX, without an event callback.
    TermConnection* OpenEx(const char* number, const char* variant = "scripttransport") {
        TermConnection* c =
            TERMPRO_INITEX(TransportPath(variant).c_str(), 1, 2, 3, nullptr, 77, 0, number);
        if (c != nullptr) {
            open_.push_back(c);
        }
        return c;
    }

    void CloseEx(TermConnection*& c) {
        open_.erase(std::remove(open_.begin(), open_.end(), c), open_.end());
        TERMPRO_CLOSE(c);
        c = nullptr;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Terminal::ModemText& t : TheTerminal().ModemTexts()) {
            texts.push_back(t.text);
        }
        return texts;
    }

    // A terminal that answers the first connect request after `delayMs`, a repeated one never
    // (its late answer would hold up the replies behind it), and everything else at once.
    void ConnectAnsweredAfter(int delayMs) {
        terminal().SetResponder([this, delayMs](const Packet& p) {
            if (p.code() == CMD_CONNECT) {
                if (connects_++ == 0) {
                    terminal().Reply(p, REPLY_OK, nullptr, 0, delayMs);
                }
            } else if (p.code() != REPLY_OK) {
                terminal().Reply(p, REPLY_OK);
            }
        });
    }

private:
    std::vector<TermConnection*> open_;
    std::atomic<int> connects_{0};
};

// The whole road: "AT", the dial of a 19-character number, the connect (waited for within
// 9000 + 5000 ms), commands over the line, and at close the disconnect, then "+++ATH" while the
// reader still runs, then the reader stops.
TEST_F(ModemTest, DialConnectCommandAndHangUpAtClose) {
    ConnectAnsweredAfter(12000);
    const int threads = probe::ThreadCount();
    TermConnection* connection = OpenEx(kNumber);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(TERMPRO_LASTERROR(), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"AT\r", kDial}));
    EXPECT_EQ(terminal().LastModemReadLength(), 23) << "the dial's answer read with its length";
    auto requests = terminal().Requests();
    ASSERT_EQ(requests.size(), 1U) << "one connect request, answered within its 14 s";
    EXPECT_EQ(requests[0].code(), CMD_CONNECT);
    EXPECT_EQ(probe::ThreadCount(), threads + 1) << "a reader thread without a callback";

    std::uint16_t code = 1010;
    EXPECT_EQ(TERMPRO_SENDCMD(connection, &code, nullptr, 0, 0, 500), 0x12);
    EXPECT_EQ(code, REPLY_OK);

    Stopwatch watch;
    CloseEx(connection);
    EXPECT_GE(watch.ElapsedMs(), 6000) << "the reader takes no modem answer any more";
    const auto texts = terminal().ModemTexts();
    ASSERT_EQ(texts.size(), 4U);
    EXPECT_EQ(texts[2].text, "+++ATH\r");
    EXPECT_EQ(texts[3].text, "+++ATH\r");
    const auto sent = terminal().Sent();
    ASSERT_GE(texts[2].packetsBefore, 1);
    EXPECT_EQ(sent[texts[2].packetsBefore - 1].code(), CMD_DISCONNECT);
    EXPECT_EQ(sent.back().code(), CMD_DISCONNECT) << "the hang-up comes after the disconnect";
    EXPECT_GT(texts[3].readsBefore, texts[2].readsBefore) << "the reader ran during the hang-up";
    EXPECT_EQ(terminal().OpenHandles(), 0);
    EXPECT_FALSE(probe::IsLoaded(TransportPath("scripttransport")));
    EXPECT_TRUE(probe::ThreadCountBecomes(threads));
}

// Without a number, TERMPRO_INITEX opens like TERMPRO_INIT but with a reader thread always, a
// connect time-out of 5000 ms, and -7 for a refused connect. It needs no modem entries.
TEST_F(ModemTest, WithoutANumberItOpensLikeInit) {
    // A reply at 12 s comes after the first attempt's 10 s: the connect is sent twice.
    ConnectAnsweredAfter(12000);
    const int threads = probe::ThreadCount();
    TermConnection* connection = OpenEx(nullptr);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(TERMPRO_LASTERROR(), 0);
    EXPECT_EQ(terminal().Requests().size(), 2U);
    EXPECT_EQ(probe::ThreadCount(), threads + 1) << "a reader thread without a callback";
    Stopwatch watch;
    CloseEx(connection);
    EXPECT_LT(watch.ElapsedMs(), 3000) << "no hang-up";
    EXPECT_TRUE(probe::ThreadCountBecomes(threads));

    terminal().Reset();
    terminal().SetResponder([this](const Packet& p) { terminal().Reply(p, REPLY_ERROR); });
    EXPECT_EQ(OpenEx(""), nullptr);
    EXPECT_EQ(TERMPRO_LASTERROR(), TERMPRO_INIT_CONNECT);

    terminal().Reset();
    connection = OpenEx("", "scripttransport_nomodem");
    ASSERT_NE(connection, nullptr);
    CloseEx(connection);
    EXPECT_TRUE(terminal().ModemTexts().empty());
}

// Openings that fail before anything is opened: a number that does not fit (a cut one would
// dial someone else), and a transport without the modem entries.
TEST_F(ModemTest, NumberThatDoesNotFitOrTransportWithoutModemIsRefused) {
    const struct {
        const char* what;
        const char* number;
        const char* variant;
        int expected;
    } cases[] = {
        {"20 characters", "00349345678901234567", "scripttransport", TERMPRO_INIT_MODEM},
        {"no modem entries", kNumber, "scripttransport_nomodem", TERMPRO_INIT_NO_ENTRY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        const int threads = probe::ThreadCount();
        const int handles = probe::HandleCount();
        EXPECT_EQ(OpenEx(c.number, c.variant), nullptr);
        EXPECT_EQ(TERMPRO_LASTERROR(), c.expected);
        EXPECT_TRUE(terminal().ModemTexts().empty());
        EXPECT_TRUE(terminal().Sent().empty());
        EXPECT_EQ(terminal().OpenHandles(), 0);
        EXPECT_FALSE(probe::IsLoaded(TransportPath(c.variant)));
        EXPECT_EQ(probe::ThreadCount(), threads);
        EXPECT_EQ(probe::HandleCount(), handles);
    }
}

// A failed dial or a connect refused after it gives -100 at once and leaves nothing open; an
// answer without "OK" or "CONNECT" after the third line break is not tried again.
TEST_F(ModemTest, FailedDialOrRefusedConnectGivesMinus100) {
    const auto badAt = [](Terminal& t, std::string_view echo, std::string_view lines) {
        t.SetModemResponder([&t, echo, lines](std::string_view command) {
            if (command == "AT\r") {
                t.ModemAnswer(echo, lines);
            } else {
                t.DefaultModemRespond(command);
            }
        });
    };
    const auto badDial = [](Terminal& t, std::string_view lines) {
        t.SetModemResponder([&t, lines](std::string_view command) {
            if (command.substr(0, 3) == "ATD") {
                t.ModemAnswer(command, lines);
            } else {
                t.DefaultModemRespond(command);
            }
        });
    };
    const std::vector<std::string> atOnly = {"AT\r"};
    const std::vector<std::string> atAndDial = {"AT\r", kDial};
    const struct {
        const char* what;
        const char* variant;
        std::function<void(Terminal&)> script;
        std::vector<std::string> texts;
        std::size_t requests;
    } cases[] = {
        {"\"OK\" without the echo", "scripttransport", [&](Terminal& t) { badAt(t, "", "OK\r\n"); },
         atOnly, 0},
        {"\"ok\" in lower case", "scripttransport",
         [&](Terminal& t) { badAt(t, "AT\r", "\r\nok\r\n"); }, atOnly, 0},
        {"ERROR", "scripttransport", [&](Terminal& t) { badAt(t, "AT\r", "\r\nERROR\r\n"); },
         atOnly, 0},
        {"NO CARRIER", "scripttransport", [&](Terminal& t) { badDial(t, "\r\nNO CARRIER\r\n"); },
         atAndDial, 0},
        {"NO CARRIER, no EMBUDP_TERMINALREAD", "scripttransport_nowake",
         [&](Terminal& t) { badDial(t, "\r\nNO CARRIER\r\n"); }, atAndDial, 0},
        {"answers read before each send returns", "scripttransport",
         [&](Terminal& t) {
             t.SetModemAnswersDuringSend(true);
             badDial(t, "\r\nNO CARRIER\r\n");
         },
         atAndDial, 0},
        {"connect refused after the dial", "scripttransport",
         [](Terminal& t) { t.SetResponder([&t](const Packet& p) { t.Reply(p, REPLY_ERROR); }); },
         atAndDial, 1},
        {"connect refused after the dial, no EMBUDP_TERMINALREAD", "scripttransport_nowake",
         [](Terminal& t) { t.SetResponder([&t](const Packet& p) { t.Reply(p, REPLY_ERROR); }); },
         atAndDial, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        terminal().Reset();
        c.script(terminal());
        const int threads = probe::ThreadCount();
        const int handles = probe::HandleCount();
        Stopwatch watch;
        EXPECT_EQ(OpenEx(kNumber, c.variant), nullptr);
        EXPECT_LT(watch.ElapsedMs(), 3000);
        EXPECT_EQ(TERMPRO_LASTERROR(), TERMPRO_INIT_MODEM);
        EXPECT_EQ(Texts(), c.texts) << "no second try, no hang-up";
        EXPECT_EQ(terminal().Requests().size(), c.requests);
        EXPECT_EQ(terminal().OpenHandles(), 0);
        EXPECT_FALSE(probe::IsLoaded(TransportPath(c.variant)));
        EXPECT_TRUE(probe::ThreadCountBecomes(threads));
        EXPECT_EQ(probe::HandleCount(), handles);
    }
}

TEST_F(ModemTest, SilentModemCostsTwoTriesOfThreeSeconds) {
    terminal().SetModemResponder([](std::string_view) {});
    const int threads = probe::ThreadCount();
    Stopwatch watch;
    EXPECT_EQ(OpenEx(kNumber), nullptr);
    EXPECT_EQ(watch.ElapsedMs(), 6000);
    EXPECT_EQ(TERMPRO_LASTERROR(), TERMPRO_INIT_MODEM);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"AT\r", "AT\r"}));
    EXPECT_EQ(terminal().OpenHandles(), 0);
    EXPECT_TRUE(probe::ThreadCountBecomes(threads));
}

} // namespace
