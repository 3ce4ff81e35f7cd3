// The update check and the cabinet download against HTTP servers of the test on 127.0.0.1, at
// the ports of the build's five server settings.
#include "config.h"
#include "failure.h"
#include "files.h"
#include "folders.h"
#include "language.h"
#include "openurl.h"
#include "resources.h"
#include "transfer.h"
#include "update.h"

#include "cabinets.h"
#include "fixture_support.h"
#include "http_server.h"
#include "links.h"
#include "recording_clock.h"
#include "recording_surface.h"
#include "support.h"
#include "text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

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

// A whole cabinet of one member that holds `contents`.
std::string Cabinet(const std::string& contents) {
    return StoredCabinet({{"member.txt", contents}});
}

const std::string kErrorPage = "<html><body>Service unavailable</body></html>";

// The files of a folder, by name.
std::vector<std::string> SortedFilesIn(const std::string& folder) {
    std::vector<std::string> names = FilesIn(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// How long the tests' silent servers hold a download or a request before it is given up (the
// program's own time-outs are 20 s).
constexpr DWORD kSilence = 1000;

// Every test has a temporary folder, and so a work folder, of its own, and the five servers.
class Update : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineState();
        DownloadSilenceMilliseconds = kSilence;
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
        DownloadSilenceMilliseconds = kShippedSilence;
    }
    static constexpr unsigned long kShippedSilence = 20000;

    // The requests that came after the first `seen`; `seen` becomes the number of all.
    std::vector<HttpRequest> RequestsSince(std::size_t& seen) {
        std::vector<HttpRequest> all = server.Requests();
        std::vector<HttpRequest> recent(all.begin() + static_cast<std::ptrdiff_t>(seen), all.end());
        seen = all.size();
        return recent;
    }

    const std::string& temp() const { return scratch_.path(); }
    std::string work() const { return scratch_.path() + "Ostrevant\\"; }

    static std::vector<int> AllPorts() {
        return {UpdatePort(1), UpdatePort(2), UpdatePort(3), DownloadPort(1), DownloadPort(2)};
    }

    HttpServer server{AllPorts()};

private:
    ScratchFolder scratch_;
    bool hadTmp_ = false;
    std::string oldTmp_;
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

// The milliseconds that `run` took.
template <typename Run> ULONGLONG Timed(Run run) {
    const ULONGLONG started = GetTickCount64();
    run();
    return GetTickCount64() - started;
}

TEST_F(Update, DownloadCabReplacesTheCabinetOnlyByAWholeOne) {
    const std::string builtIn = Cabinet("built-in");
    const std::string first = Cabinet("from the first server");
    const std::string second = Cabinet("from the second server");
    const std::string cutShort = first.substr(0, first.size() - 3);
    const std::string bareHeader = std::string("MSCF\0\0\0\0\x0c\0\0\0", 12);
    // Cabinets as the build makes them (compressed, with checksums), and two that only look
    // whole: a damaged data block, and a header that claims 65535 members.
    std::string made;
    ASSERT_EQ(ReadResource("PROGRAMA", "ARCHIVOS", made), 0u);
    std::string devices;
    ASSERT_EQ(ReadResource("LIBRERIAS_VM", "ARCHIVOS", devices), 0u);
    const std::string damaged = WithDamagedDataBlock(devices);
    ASSERT_FALSE(damaged.empty());
    const std::string tooMany = WithMemberCount(made, 65535);
    const std::string stampDamaged = WithDamagedDataBlock(first);

    // Silent servers are given up after kSilence each (under Wine, twice as long when the head
    // stops after its status line).
    const HttpReply missing{404, kErrorPage};
    struct Case {
        const char* name;
        HttpReply server1;
        HttpReply server2;
        std::string expected;
        int requests;
        ULONGLONG longest = 3000; // ms
    };
    const Case cases[] = {
        {"first server", {200, first}, {200, second}, first, 1},
        {"a cabinet the build made", {200, made}, {200, second}, made, 1},
        {"first missing", missing, {200, second}, second, 2},
        {"first hangs up", {200, first, Kind::HangUp}, {200, second}, second, 2},
        {"first sends an error page", {200, kErrorPage}, {200, second}, second, 2},
        {"first cut off", {200, first, Kind::CutOff}, {200, second}, second, 2},
        {"first sends a cabinet cut short", {200, cutShort}, {200, second}, second, 2},
        {"first damaged in a data block", {200, damaged}, {200, second}, second, 2},
        {"first damaged in a stored block", {200, stampDamaged}, {200, second}, second, 2},
        {"first claims 65535 members", {200, tooMany}, {200, second}, second, 2},
        {"first silent", {200, first, Kind::Silent}, {200, second}, second, 2, 4000},
        {"first stalls in its head",
         {200, first, Kind::StallsInHead},
         {200, second},
         second,
         2,
         5000},
        {"first stalls in its body",
         {200, first, Kind::StallsInBody},
         {200, second},
         second,
         2,
         4000},
        {"both missing", missing, missing, builtIn, 2},
        {"both send error pages", {200, kErrorPage}, {200, kErrorPage}, builtIn, 2},
        {"both hang up", {200, first, Kind::HangUp}, {200, second, Kind::HangUp}, builtIn, 2},
        {"cut off, then missing", {200, first, Kind::CutOff}, missing, builtIn, 2},
        {"an empty file", {200, ""}, {200, ""}, builtIn, 2},
        {"a signature and a length only", {200, bareHeader}, {200, bareHeader}, builtIn, 2},
        {"damaged, then too many members", {200, damaged}, {200, tooMany}, builtIn, 2},
        {"both silent",
         {200, first, Kind::Silent},
         {200, second, Kind::StallsInBody},
         builtIn,
         2,
         5000},
    };
    const std::string path = "/downloads/cabs/program.cab";
    ASSERT_TRUE(CreateDirectory(work()));
    std::size_t seen = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(work() + "103.cab", builtIn));
        server.Serve(DownloadPort(1), path, c.server1);
        server.Serve(DownloadPort(2), path, c.server2);
        ULONGLONG took = Timed([] { DownloadCab("program.cab", "103.cab"); });
        EXPECT_TRUE(ReadFileBytes(work() + "103.cab") == c.expected) << c.name;
        EXPECT_EQ(SortedFilesIn(work()), std::vector<std::string>{"103.cab"}) << c.name;
        EXPECT_LE(took, c.longest) << c.name;

        std::vector<HttpRequest> expected = {{DownloadPort(1), path}, {DownloadPort(2), path}};
        expected.resize(static_cast<std::size_t>(c.requests));
        EXPECT_EQ(RequestsSince(seen), expected) << c.name;
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

// A clock that writes its event pumps into the log as well.
class PumpLoggingClock : public RecordingClock {
public:
    explicit PumpLoggingClock(std::vector<std::string>& log) : RecordingClock(log), log_(log) {}
    void DoEvents() override {
        RecordingClock::DoEvents();
        log_.emplace_back("DoEvents");
    }

private:
    std::vector<std::string>& log_;
};

const std::string kSection6 = "DibujarSeccion(6)";

constexpr const char* kStamp1 = "20160524134210";
constexpr const char* kStamp2 = "20111102091737";
constexpr const char* kStamp3 = "20160902124320";

// The update check as the wizard runs it: a recording wizard window whose WebTransfer makes
// the real request, a clock that logs its pumps and pauses instead of waiting, and the English
// texts.
class UpdateCheck : public Update {
protected:
    void SetUp() override {
        Update::SetUp();
        SetupConfig.Name = "Tavrin Lite";
        SetupConfig.Product = "Vessmark";
        ASSERT_TRUE(ParseNumber(kStamp1, SetupConfig.VersionCab1));
        ASSERT_TRUE(ParseNumber(kStamp2, SetupConfig.VersionCab2));
        ASSERT_TRUE(ParseNumber(kStamp3, SetupConfig.VersionCab3));
        SetupConfig.NameCab1 = "devices.cab";
        SetupConfig.NameCab2 = "shared.cab";
        SetupConfig.NameCab3 = "program.cab";
        ASSERT_TRUE(LoadLanguage("EN"));
        frmMain = &surface;
        // The wizard's WebTransfer element: the request of the Internet transfer library.
        ASSERT_TRUE(RegisterBuiltLibrary("MSINETVM.OCX"));
        surface.transfer.answer = [](const std::string& url, std::string& response) {
            return ocx::OpenURL(url, response) == 0;
        };
        const char* resources[3] = {"LIBRERIAS_VM", "LIBRERIAS", "PROGRAMA"};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(ReadResource(resources[i], "ARCHIVOS", builtIn[i]), 0u) << resources[i];
        }
    }

    // Server 1 (or `server`) answers the update query with `reply`.
    void Reply(const std::string& reply, int server = 1) { Answer(server, {200, reply}); }
    void Answer(int server, HttpReply reply) {
        this->server.Serve(UpdatePort(server), QueryTarget(server), std::move(reply));
    }
    void Offer(int server, const std::string& name, HttpReply reply) {
        this->server.Serve(DownloadPort(server), "/downloads/cabs/" + name, std::move(reply));
    }

    std::string QueryTarget(int server) const {
        return (server == 2 ? "/check_update.php?p=" : "/serial/check_update.php?p=") +
               SetupConfig.Product;
    }
    HttpRequest Query(int server) const { return {UpdatePort(server), QueryTarget(server)}; }
    HttpRequest Download(int server, const std::string& name) const {
        return {DownloadPort(server), "/downloads/cabs/" + name};
    }

    static std::string Caption(const std::string& label, const std::string& key) {
        return label + ".Caption=" + (key.empty() ? "" : GetText(key));
    }
    // What every check shows first, up to the box's reading.
    static std::vector<std::string> Beginning() {
        return {Caption("lblSeccion5", "section_6"),
                Caption("lblUpdateInfo", ""),
                Caption("lblTooltip", "tooltip_wait"),
                "DoEvents",
                "DoEvents",
                "DoEvents",
                "DoEvents",
                "chkUpdate.Checked",
                Caption("lblSeccion5", "update_search"),
                Caption("lblUpdateInfo", ""),
                Caption("lblTooltip", "tooltip_wait")};
    }
    std::string Asked(int server) const {
        return "WebTransfer.OpenURL(" + std::string(UpdateServers[server - 1]) +
               QueryTarget(server) + ")";
    }
    static std::vector<std::string> Then(std::vector<std::string> log,
                                         const std::vector<std::string>& more) {
        log.insert(log.end(), more.begin(), more.end());
        return log;
    }

    // The endings of a check that found nothing newer, and of one that got no answer.
    static std::vector<std::string> NothingNewer() {
        return {Caption("lblSeccion5", "update_nodownload"),
                "DoEvents",
                "Sleep(2000)",
                "DoEvents",
                "Sleep(2000)",
                kSection6};
    }
    static std::vector<std::string> NoConnection() {
        return {Caption("lblSeccion5", "update_noconnection"), "DoEvents", "Sleep(2000)",
                kSection6};
    }

    // Expects the log of a check that asked update servers 1 to `asked`, then showed `ending`,
    // and exactly those requests since `seen`.
    void ExpectAsked(int asked, const std::vector<std::string>& ending, std::size_t& seen,
                     const char* name) {
        std::vector<std::string> expected = Beginning();
        std::vector<HttpRequest> requests;
        for (int i = 1; i <= asked; ++i) {
            expected.push_back(Asked(i));
            requests.push_back(Query(i));
        }
        EXPECT_EQ(surface.log, Then(expected, ending)) << name;
        EXPECT_EQ(RequestsSince(seen), requests) << name;
    }

    // The cabinets in the work folder, 101 to 103.
    std::vector<std::string> Cabinets() const {
        return {ReadFileBytes(work() + "101.cab"), ReadFileBytes(work() + "102.cab"),
                ReadFileBytes(work() + "103.cab")};
    }
    std::vector<std::string> BuiltIn() const { return {builtIn[0], builtIn[1], builtIn[2]}; }

    RecordingSurface surface;
    PumpLoggingClock clock{surface.log};
    std::string builtIn[3];
};

TEST_F(UpdateCheck, BoxNotTickedWritesTheCabinetsAndGoesOn) {
    surface.updateCheck.checked = false;
    CheckForUpdates();
    const std::vector<std::string> beginning = Beginning();
    const std::vector<std::string> started(beginning.begin(), beginning.begin() + 8);
    EXPECT_EQ(surface.log, Then(started, {kSection6}));
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(Cabinets(), BuiltIn());
    EXPECT_EQ(SeccionActual, 6);
}

TEST_F(UpdateCheck, WithoutAWizardWindowNothingHappens) {
    Reply("201605241342092011110209173720160902124321");
    frmMain = nullptr;
    EXPECT_TRUE(BoxesShownBy(CheckForUpdates).empty());
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(surface.log.empty());
    EXPECT_TRUE(FilesIn(work()).empty()) << "no cabinet is written";
    EXPECT_EQ(SeccionActual, 0);
}

TEST_F(UpdateCheck, NothingNewerShowsSoForFourSeconds) {
    const char* replies[] = {
        "201605241342102011110209173720160902124320", // the built-in stamps
        "201605241342092011110209173620160902124319", // each one smaller
        "201001010000002011110209173720160902124320", // smaller, equal, equal
    };
    std::size_t seen = 0;
    for (const char* reply : replies) {
        surface.log.clear();
        Reply(reply);
        CheckForUpdates();
        ExpectAsked(1, NothingNewer(), seen, reply);
        EXPECT_EQ(Cabinets(), BuiltIn()) << reply;
    }
}

TEST_F(UpdateCheck, OnlyTheNewerThirdCabinetIsDownloaded) {
    Reply("201605241342092011110209173720160902124321");
    const std::string newer = Cabinet("program, newer");
    Offer(1, "program.cab", {200, newer});
    Offer(1, "devices.cab", {200, Cabinet("devices, never asked for")});
    Offer(1, "shared.cab", {200, Cabinet("shared, never asked for")});
    const std::vector<std::string> downloading = {
        Caption("lblSeccion5", "update_download"),
        Caption("lblUpdateInfo", "update_downloadfile"),
        "barUpdate.Start(True)",
        "imgUpdate.Visible=True",
        "lblUpdateInfo.Visible=True",
        "barUpdate.Visible=True",
        "DoEvents",
        "Sleep(2000)",
        "DoEvents", // cabinet 1
        "DoEvents", // cabinet 2
        "DoEvents", // cabinet 3, after its download
        Caption("lblUpdateInfo", ""),
        Caption("lblSeccion5", "update_download_complete"),
        "barUpdate.Start(False)",
        "DoEvents",
        "Sleep(20000)",
        "DoEvents",
        "Sleep(2000)",
        kSection6,
    };
    surface.sectionShown = [&](std::int16_t) {
        EXPECT_EQ(Cabinets(), (std::vector<std::string>{builtIn[0], builtIn[1], newer}));
    };
    CheckForUpdates();
    EXPECT_EQ(surface.log, Then(Then(Beginning(), {Asked(1)}), downloading));
    EXPECT_EQ(server.Requests(), (std::vector<HttpRequest>{Query(1), Download(1, "program.cab")}));
    EXPECT_TRUE(surface.updateImage.visible && surface.updateInfo.visible &&
                surface.updateBar.visible && !surface.updateBar.running);

    // The built-in stamps never change: a second check downloads the same cabinet again.
    surface.sectionShown = nullptr;
    Offer(1, "program.cab", {200, Cabinet("program, newer still")});
    CheckForUpdates();
    EXPECT_EQ(server.Requests().size(), 4u);
    EXPECT_EQ(ReadFileBytes(work() + "103.cab"), Cabinet("program, newer still"));
}

TEST_F(UpdateCheck, NextServerOnlyAfterAReplyThatIsNoNumber) {
    const std::string stamps = std::string(kStamp1) + kStamp2 + kStamp3;
    const HttpReply empty{200, ""};
    const HttpReply text{200, "<html>maintenance</html>"};
    const HttpReply missing{404, stamps};
    const HttpReply answer{200, " " + stamps + " "};
    struct Case {
        const char* name;
        std::vector<HttpReply> replies; // of servers 1, 2, 3
        int asked;
        bool answered;
    };
    const Case cases[] = {
        {"empty, then an answer", {empty, answer, answer}, 2, true},
        {"text, missing, then an answer", {text, missing, answer}, 3, true},
        {"no answer anywhere", {empty, text, missing}, 3, false},
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        surface.log.clear();
        for (int i = 0; i < 3; ++i) {
            Answer(i + 1, c.replies[static_cast<std::size_t>(i)]);
        }
        CheckForUpdates();
        ExpectAsked(c.asked, c.answered ? NothingNewer() : NoConnection(), seen, c.name);
    }
}

// A server that holds the request silent has no answer once the time-out has passed: the next
// server is asked, as after an empty reply. The Internet transfer library's request, run with a
// short time-out.
TEST_F(UpdateCheck, SilentServerHasNoAnswerAndTheNextIsAsked) {
    surface.transfer.answer = [](const std::string& url, std::string& response) {
        return msinetvm::OpenURL(url, response, kSilence) == 0;
    };
    const std::string stamps = std::string(kStamp1) + kStamp2 + kStamp3;
    const HttpReply answer{200, stamps};
    const HttpReply silent{200, stamps, Kind::Silent};
    const HttpReply stallsInHead{200, stamps, Kind::StallsInHead};
    const HttpReply stallsInBody{200, stamps, Kind::StallsInBody};
    struct Case {
        const char* name;
        std::vector<HttpReply> replies; // of servers 1, 2, 3
        int asked;
        bool answered;
        ULONGLONG longest; // ms
    };
    const Case cases[] = {
        {"silent, then an answer", {silent, answer, answer}, 2, true, 3000},
        {"stalls in the body, in the head, then an answer",
         {stallsInBody, stallsInHead, answer},
         3,
         true,
         6000},
        {"no answer anywhere", {silent, stallsInBody, silent}, 3, false, 6000},
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        surface.log.clear();
        for (int i = 0; i < 3; ++i) {
            Answer(i + 1, c.replies[static_cast<std::size_t>(i)]);
        }
        ULONGLONG took = Timed(CheckForUpdates);
        ExpectAsked(c.asked, c.answered ? NothingNewer() : NoConnection(), seen, c.name);
        EXPECT_LE(took, c.longest) << c.name;
        EXPECT_EQ(Cabinets(), BuiltIn()) << c.name;
    }
}

TEST_F(UpdateCheck, FailureGoesStraightToSection6) {
    struct Case {
        const char* name;
        HttpReply server1;
        HttpReply server2;
        int asked;
    };
    const Case cases[] = {
        {"first request fails", {200, "", Kind::HangUp}, {200, "1"}, 1},
        {"a reply of 0", {200, "0"}, {200, "1"}, 1},
        {"one stamp only", {200, "20991231235959"}, {200, "1"}, 1},
        {"second request fails", {200, ""}, {200, "", Kind::HangUp}, 2},
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        surface.log.clear();
        Answer(1, c.server1);
        Answer(2, c.server2);
        CheckForUpdates();
        ExpectAsked(c.asked, {kSection6}, seen, c.name);
        EXPECT_EQ(Cabinets(), BuiltIn()) << c.name;
    }
}

TEST_F(UpdateCheck, ProductIsSentAsItIs) {
    SetupConfig.Product = "Vessmark .NET";
    Reply(std::string(kStamp1) + kStamp2 + kStamp3);
    CheckForUpdates();
    EXPECT_EQ(surface.log.at(Beginning().size()), "WebTransfer.OpenURL(" +
                                                      std::string(UpdateServers[0]) +
                                                      "/serial/check_update.php?p=Vessmark .NET)");
    // WinINet writes the blank as %20 in the request line, which the server reads as the blank.
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(HttpServer::Decoded(server.Requests()[0].target),
              "/serial/check_update.php?p=Vessmark .NET");
}

TEST_F(UpdateCheck, SecondDownloadServerStandsInForTheFirst) {
    Reply("209912312359592099123123595920991231235959");
    Offer(1, "devices.cab", {200, Cabinet("devices from 1")});
    Offer(2, "shared.cab", {200, Cabinet("shared from 2")});
    Offer(2, "program.cab", {200, Cabinet("program from 2")});
    Offer(1, "program.cab", {503, kErrorPage});
    CheckForUpdates();
    EXPECT_EQ(Cabinets(),
              (std::vector<std::string>{Cabinet("devices from 1"), Cabinet("shared from 2"),
                                        Cabinet("program from 2")}));
    EXPECT_EQ(server.Requests(),
              (std::vector<HttpRequest>{Query(1), Download(1, "devices.cab"),
                                        Download(1, "shared.cab"), Download(2, "shared.cab"),
                                        Download(1, "program.cab"), Download(2, "program.cab")}));
}

TEST_F(UpdateCheck, FailedDownloadsLeaveTheBuiltInCabinets) {
    Reply("209912312359592099123123595920991231235959");
    Offer(1, "devices.cab", {200, kErrorPage});
    Offer(1, "shared.cab", {200, Cabinet("shared, cut off"), Kind::CutOff});
    Offer(1, "program.cab", {200, Cabinet("program").substr(0, 20)});
    Offer(2, "shared.cab", {200, "", Kind::HangUp});
    Offer(2, "program.cab", {200, kErrorPage});
    CheckForUpdates();
    EXPECT_EQ(surface.log.back(), kSection6);
    EXPECT_EQ(server.Requests().size(), 7u);
    EXPECT_EQ(Cabinets(), BuiltIn());
    EXPECT_EQ(SortedFilesIn(work()), (std::vector<std::string>{"101.cab", "102.cab", "103.cab"}));
}

TEST_F(UpdateCheck, FailedInstallationRunsOnceMore) {
    surface.updateCheck.checked = false;
    int shown = 0;
    int failing = 1;
    surface.sectionShown = [&](std::int16_t section) {
        ASSERT_EQ(section, 6);
        if (++shown <= failing) {
            throw RunTimeFailure{ERROR_ACCESS_DENIED, "Access denied"};
        }
    };
    CheckForUpdates();
    EXPECT_EQ(shown, 2);

    shown = 0;
    failing = 2;
    EXPECT_THROW(CheckForUpdates(), RunTimeFailure) << "a second failure passes to the caller";
    EXPECT_EQ(shown, 2);

    // After a failure of the check itself, section 6 is shown once, and its failure passes on.
    surface.updateCheck.checked = true;
    Answer(1, {200, "0"});
    shown = 0;
    failing = 1;
    EXPECT_THROW(CheckForUpdates(), RunTimeFailure);
    EXPECT_EQ(shown, 1);
}

TEST_F(UpdateCheck, CabinetsThatCannotBeWrittenAreReportedAndTheCheckGoesOn) {
    ASSERT_TRUE(WriteFileBytes(temp() + "Ostrevant", "a file where the work folder belongs"));
    surface.updateCheck.checked = false;
    std::vector<ShownBox> boxes = BoxesShownBy(CheckForUpdates);
    std::vector<std::string> messages;
    messages.reserve(boxes.size());
    for (const ShownBox& box : boxes) {
        messages.push_back(box.text.substr(0, box.text.find("\r\n")));
    }
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Error in CreateDirectory():" + work(),
                                        "Could not save resource file: " + work() + "101.cab",
                                        "Could not save resource file: " + work() + "102.cab",
                                        "Could not save resource file: " + work() + "103.cab"}));
    EXPECT_EQ(surface.log.back(), kSection6);
}

// A link where the work folder belongs: the cabinets are not written into the folder it points
// at. Windows replaces the link by a real folder; Wine cannot remove a link (links.h), so there
// the removal fails with its box and nothing is written.
TEST_F(UpdateCheck, ALinkWhereTheWorkFolderBelongsIsNotWrittenThrough) {
    const std::string elsewhere = temp() + "elsewhere\\";
    ASSERT_TRUE(CreateDirectory(elsewhere));
    const std::string workFolder = work().substr(0, work().size() - 1);
    TestLink link(workFolder, elsewhere);
    ASSERT_TRUE(link.made());
    Offer(1, "devices.cab", {200, Cabinet("downloaded")});
    surface.updateCheck.checked = false;
    std::vector<ShownBox> boxes = BoxesShownBy([] {
        CheckForUpdates();
        DownloadCab("devices.cab", "101.cab");
    });
    EXPECT_EQ(SortedFilesIn(elsewhere), std::vector<std::string>{});
    EXPECT_EQ(surface.log.back(), kSection6);
    if (PlatformOpensLinks()) {
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(Cabinets(),
                  (std::vector<std::string>{Cabinet("downloaded"), builtIn[1], builtIn[2]}));
    } else {
        ASSERT_EQ(boxes.size(), 2u);
        for (const ShownBox& box : boxes) {
            EXPECT_EQ(box.text.substr(0, box.text.find("\r\n")),
                      "Could not remove directory: " + workFolder);
        }
        EXPECT_TRUE(IsFolderLink(workFolder));
    }
}

} // namespace
