// The Internet transfer library's OpenURL, through the program's side of it, against an HTTP
// server of the test on 127.0.0.1.
#include "msinetvm.h"
#include "openurl.h"
#include "transfer.h"

#include "fixture_support.h"
#include "http_server.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace instalio;
using namespace instalio::test;

namespace {

using Kind = HttpReply::Kind;

// Away from the ports of the update tests' servers.
constexpr int kPort = 18089;

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listening()) << "port " << kPort << " is taken";
        ASSERT_TRUE(RegisterBuiltLibrary(MSINETVM_FILE_NAME));
    }
    static std::string Url(const std::string& target) {
        return "http://127.0.0.1:" + std::to_string(kPort) + target;
    }
    HttpServer server{{kPort}};
};

TEST_F(Transfer, OpenURL) {
    struct Case {
        const char* name;
        HttpReply reply;
        bool fails;
        std::string response;
    };
    const std::string longest(MSINETVM_MAX_RESPONSE_BYTES, '7');
    const Case cases[] = {
        {"a body", {200, "20160524134210"}, false, "20160524134210"},
        {"an empty body", {200, ""}, false, ""},
        {"blanks, line ends and zero bytes kept",
         {200, std::string(" 12 \r\n\0x", 8)},
         false,
         std::string(" 12 \r\n\0x", 8)},
        {"no such page", {404, "20160524134210"}, false, ""},
        {"a server error", {500, "0"}, false, ""},
        {"a slow server, within the time-out", {200, "late", Kind::Full, 1500}, false, "late"},
        {"the longest body taken", {200, longest}, false, longest},
        {"a body over the bound", {200, longest + "7"}, false, ""},
        {"no answer", {200, "1", Kind::HangUp}, true, ""},
        {"the answer cut off", {200, std::string(4000, '1'), Kind::CutOff}, true, ""},
    };
    for (const Case& c : cases) {
        server.Serve(kPort, "/q", c.reply);
        std::string response = "before";
        DWORD error = ocx::OpenURL(Url("/q"), response);
        EXPECT_EQ(error != 0, c.fails) << c.name << ": " << error;
        EXPECT_EQ(response, c.response) << c.name;
    }
}

// The milliseconds that `request` took.
template <typename Request> ULONGLONG Timed(Request request) {
    const ULONGLONG started = GetTickCount64();
    request();
    return GetTickCount64() - started;
}

// A server that holds the connection and sends nothing more is a server without an answer once
// the time-out has passed: an empty response, no failure. The request itself, run with a short
// time-out. Under Wine the platform waits twice for a head that stops after its status line.
TEST_F(Transfer, ASilentServerHasNoAnswerOnceTheTimeOutHasPassed) {
    constexpr DWORD kTimeout = 1500;
    struct Case {
        const char* name;
        HttpReply reply;
        std::string response;
        ULONGLONG shortest; // ms
        ULONGLONG longest;
    };
    const Case cases[] = {
        {"silent", {200, "1", Kind::Silent}, "", kTimeout * 9 / 10, kTimeout + 1500},
        {"stalls in its head",
         {200, "1", Kind::StallsInHead},
         "",
         kTimeout * 9 / 10,
         2 * kTimeout + 1500},
        {"stalls in its body",
         {200, std::string(4000, '1'), Kind::StallsInBody},
         "",
         kTimeout * 9 / 10,
         kTimeout + 1500},
        {"late, within the time-out",
         {200, "late", Kind::Full, 1000},
         "late",
         1000,
         kTimeout + 1000},
    };
    for (const Case& c : cases) {
        server.Serve(kPort, "/q", c.reply);
        std::string response = "before";
        DWORD error = 1;
        ULONGLONG took = Timed([&] { error = msinetvm::OpenURL(Url("/q"), response, kTimeout); });
        EXPECT_EQ(error, 0u) << c.name;
        EXPECT_EQ(response, c.response) << c.name;
        EXPECT_GE(took, c.shortest) << c.name;
        EXPECT_LE(took, c.longest) << c.name;
    }
}

// The library's own time-out holds under the platform.
TEST_F(Transfer, TheLibraryGivesUpOnASilentServerAfterItsTimeOut) {
    server.Serve(kPort, "/q", {200, "1", Kind::Silent});
    std::string response = "before";
    DWORD error = 1;
    ULONGLONG took = Timed([&] { error = ocx::OpenURL(Url("/q"), response); });
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(response, "");
    EXPECT_GE(took, MSINETVM_TIMEOUT_MILLISECONDS * 9 / 10);
    EXPECT_LE(took, MSINETVM_TIMEOUT_MILLISECONDS + 3000);
}

TEST_F(Transfer, OpenURLOfAServerThatIsNotThere) {
    std::string response = "before";
    std::vector<ShownBox> boxes = BoxesShownBy([&] {
        EXPECT_EQ(ocx::OpenURL("http://127.0.0.1:1/q", response), 12029u); // cannot connect
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(response, "");
}

} // namespace
