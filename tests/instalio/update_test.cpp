// The update check and the cabinet download against HTTP servers of the test on 127.0.0.1, at
// the ports of the build's five server settings.
#include "clock.h"
#include "config.h"
#include "display.h"
#include "errorbox.h"
#include "failure.h"
#include "folders.h"
#include "language.h"
#include "resources.h"
#include "update.h"
#include "webrequest.h"

#include "http_server.h"
#include "recording_clock.h"
#include "recording_surface.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace instalio;
using namespace instalio::test;

namespace {

using Kind = HttpReply::Kind;

int UpdatePort(int server) {
    return PortOf(UpdateServers[server - 1]);
}
int DownloadPort(int server) {
    return PortOf(DownloadServers[server - 1]);
}

// A cabinet as far as the download looks at one: the signature, and the file's length in the
// header.
std::string Cabinet(const std::string& contents) {
    std::string bytes = "MSCF" + std::string(32, '\0') + contents;
    const auto size = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) {
        bytes[8 + i] = static_cast<char>(size >> (8 * i) & 0xFF);
    }
    return bytes;
}

const std::string kErrorPage = "<html><body>Service unavailable</body></html>";

// The files of a folder, by name.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// Every test has a temporary folder, and so a work folder, of its own, and the five servers.
class Update : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineState();
        char old[MAX_PATH] = {};
        hadTmp_ = GetEnvironmentVariableA("TMP", old, sizeof old) > 0;
        oldTmp_ = old;
        SetEnvironmentVariableA("TMP", scratch_.path().c_str());
        ASSERT_EQ(TempFolder(), scratch_.path());
        ASSERT_TRUE(server.listening()) << "a port of the server settings is taken";
    }
    void TearDown() override {
        SetEnvironmentVariableA("TMP", hadTmp_ ? oldTmp_.c_str() : nullptr);
        ResetEngineState();
    }

    const std::string& temp() const { return scratch_.path(); }
    std::string work() const { return scratch_.path() + "Ostrevant\\"; }

    static std::vector<int> AllPorts() {
        return {UpdatePort(1), UpdatePort(2), UpdatePort(3), DownloadPort(1), DownloadPort(2)};
    }

private:
    ScratchFolder scratch_;
    bool hadTmp_ = false;
    std::string oldTmp_;

protected:
    HttpServer server{AllPorts()};
};

TEST_F(Update, ServersAreOnLoopbackAtPortsOfTheirOwn) {
    std::vector<int> ports = AllPorts();
    for (const char* url : UpdateServers) {
        EXPECT_EQ(std::string(url).rfind("http://127.0.0.1:", 0), 0u) << url;
    }
    for (const char* url : DownloadServers) {
        EXPECT_EQ(std::string(url).rfind("http://127.0.0.1:", 0), 0u) << url;
    }
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(std::unique(ports.begin(), ports.end()), ports.end());
}

TEST_F(Update, OpenURL) {
    struct Case {
        const char* name;
        HttpReply reply;
        bool fails;
        std::string response;
    };
    const Case cases[] = {
        {"a body", {200, "20160524134210"}, false, "20160524134210"},
        {"an empty body", {200, ""}, false, ""},
        {"blanks and line ends kept", {200, " 12 \r\n"}, false, " 12 \r\n"},
        {"no such page", {404, "20160524134210"}, false, ""},
        {"a server error", {500, "0"}, false, ""},
        {"a body far too long", {200, std::string(kMaxResponseBytes + 1, '1')}, false, ""},
        {"no answer", {200, "1", Kind::HangUp}, true, ""},
        {"the answer cut off", {200, std::string(4000, '1'), Kind::CutOff}, true, ""},
    };
    const int port = UpdatePort(1);
    for (const Case& c : cases) {
        server.Serve(port, "/q", c.reply);
        std::string response = "before";
        DWORD error = OpenURL("http://127.0.0.1:" + std::to_string(port) + "/q", response);
        EXPECT_EQ(error != 0, c.fails) << c.name << ": " << error;
        EXPECT_EQ(response, c.response) << c.name;
    }
    std::string response;
    EXPECT_NE(OpenURL("http://127.0.0.1:1/q", response), 0u) << "nobody listening";
}

TEST_F(Update, DownloadCabReplacesTheCabinetOnlyByACompleteOne) {
    const std::string builtIn = Cabinet("built-in");
    const std::string first = Cabinet("from the first server");
    const std::string second = Cabinet("from the second server");
    const std::string cutShort = first.substr(0, first.size() - 3);
    const HttpReply missing{404, kErrorPage};
    struct Case {
        const char* name;
        HttpReply server1;
        HttpReply server2;
        std::string expected;
        int requests;
    };
    const Case cases[] = {
        {"first server", {200, first}, {200, second}, first, 1},
        {"first missing", missing, {200, second}, second, 2},
        {"first hangs up", {200, first, Kind::HangUp}, {200, second}, second, 2},
        {"first sends an error page", {200, kErrorPage}, {200, second}, second, 2},
        {"first cut off", {200, first, Kind::CutOff}, {200, second}, second, 2},
        {"first sends a cabinet cut short", {200, cutShort}, {200, second}, second, 2},
        {"both missing", missing, missing, builtIn, 2},
        {"both send error pages", {200, kErrorPage}, {200, kErrorPage}, builtIn, 2},
        {"both hang up", {200, first, Kind::HangUp}, {200, second, Kind::HangUp}, builtIn, 2},
        {"cut off, then missing", {200, first, Kind::CutOff}, missing, builtIn, 2},
        {"an empty file", {200, ""}, {200, ""}, builtIn, 2},
    };
    const std::string path = "/downloads/cabs/program.cab";
    ASSERT_TRUE(CreateDirectory(work()));
    std::size_t seen = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(work() + "103.cab", builtIn));
        server.Serve(DownloadPort(1), path, c.server1);
        server.Serve(DownloadPort(2), path, c.server2);
        DownloadCab("program.cab", "103.cab");
        EXPECT_EQ(ReadFileBytes(work() + "103.cab"), c.expected) << c.name;
        EXPECT_EQ(FilesIn(work()), std::vector<std::string>{"103.cab"}) << c.name;

        std::vector<HttpRequest> requests = server.Requests();
        std::vector<HttpRequest> expected = {{DownloadPort(1), path}, {DownloadPort(2), path}};
        expected.resize(static_cast<std::size_t>(c.requests));
        EXPECT_EQ(
            std::vector<HttpRequest>(requests.begin() + static_cast<long>(seen), requests.end()),
            expected)
            << c.name;
        seen = requests.size();
    }
}

TEST_F(Update, DownloadCabFetchesAfreshIntoANewWorkFolder) {
    const std::string path = "/downloads/cabs/devices.cab";
    server.Serve(DownloadPort(1), path, {200, Cabinet("one")});
    DownloadCab("devices.cab", "101.cab");
    EXPECT_EQ(ReadFileBytes(work() + "101.cab"), Cabinet("one"));

    server.Serve(DownloadPort(1), path, {200, Cabinet("two")});
    DownloadCab("devices.cab", "101.cab");
    EXPECT_EQ(ReadFileBytes(work() + "101.cab"), Cabinet("two"));
    EXPECT_EQ(server.Requests().size(), 2u);
}

} // namespace
