// Library versions, version-aware moves, registration, child processes and the control files,
// on the real platform of the Wine prefix, with fixture libraries that record their
// registration.
#include "clock.h"
#include "errorbox.h"
#include "filesystem.h"
#include "libraries.h"
#include "owners.h"
#include "process.h"

#include "fixture_support.h"
#include "recording_clock.h"
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace instalio;
using namespace instalio::test;

namespace {

class Libraries : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineState(); }
    void TearDown() override { ResetEngineState(); }
    ScratchFolder scratch;
    const std::string& dir() const { return scratch.path(); }
};

// Copies a fixture file to `path`.
void Place(const std::string& fixture, const std::string& path) {
    ASSERT_TRUE(CopyFileA(Fixture(fixture).c_str(), path.c_str(), FALSE)) << fixture;
}

TEST_F(Libraries, FileMajorVersion) {
    ASSERT_TRUE(WriteFileBytes(dir() + "plain.txt", "no version here"));
    const std::pair<std::string, const char*> cases[] = {
        {Fixture("fx_v9_1.dll"), "9"},   {Fixture("fx_v10_0.dll"), "10"},
        {Fixture("fx_library.dll"), ""}, // a library without version information
        {dir() + "plain.txt", ""},       {dir() + "missing.dll", ""},
    };
    std::vector<ShownBox> boxes = BoxesShownBy([&] {
        for (const auto& [file, major] : cases) {
            EXPECT_EQ(FileMajorVersion(file), major) << file;
        }
    });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Libraries, MoveLibraryOrdersMajorVersions) {
    ASSERT_TRUE(WriteFileBytes(dir() + "plain", "no version"));
    struct Case {
        const char* installed; // fixture installed before, or none
        const char* incoming;
        const char* after; // what the destination holds afterwards
    };
    const Case cases[] = {
        {"fx_v9_1.dll", "fx_v10_0.dll", "fx_v10_0.dll"},  // 9 installed, 10 replaces it
        {"fx_v10_0.dll", "fx_v9_1.dll", "fx_v10_0.dll"},  // 10 installed stays, 9 is deleted
        {"fx_v9_7.dll", "fx_v9_1.dll", "fx_v9_1.dll"},    // equal majors: replaced, minors aside
        {"fx_v9_1.dll", "fx_library.dll", "fx_v9_1.dll"}, // without version info: below any
        {"fx_library.dll", "fx_v9_1.dll", "fx_v9_1.dll"},
        {nullptr, "fx_library.dll", "fx_library.dll"}, // nothing installed: moved
    };
    for (const Case& c : cases) {
        const std::string source = dir() + "new.dll";
        const std::string destination = dir() + "installed.dll";
        fso::DeleteFile(destination, true);
        Place(c.incoming, source);
        if (c.installed != nullptr) {
            Place(c.installed, destination);
        }
        std::vector<ShownBox> boxes = BoxesShownBy([&] { MoveLibrary(source, destination); });
        EXPECT_TRUE(boxes.empty());
        EXPECT_FALSE(fso::FileExists(source)) << c.incoming;
        EXPECT_EQ(ReadFileBytes(destination), ReadFileBytes(Fixture(c.after)))
            << (c.installed ? c.installed : "nothing") << " then " << c.incoming;
    }

    // Both without version information: the new file replaces the installed one.
    const std::string destination = dir() + "installed.dll";
    Place("fx_library.dll", dir() + "new.dll");
    ASSERT_TRUE(WriteFileBytes(destination, "installed, no version"));
    MoveLibrary(dir() + "new.dll", destination);
    EXPECT_EQ(ReadFileBytes(destination), ReadFileBytes(Fixture("fx_library.dll")));
}

TEST_F(Libraries, MoveLibraryReportsItsFailure) {
    const std::string destination = dir() + "installed.dll";
    std::vector<ShownBox> boxes =
        BoxesShownBy([&] { MoveLibrary(dir() + "missing.dll", destination); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Could not move dll: " + destination + "\r\n[2] " +
                                 ErrorDescription(ERROR_FILE_NOT_FOUND));

    // A read-only older library is not deleted (no force): the installed one stays.
    Place("fx_v10_0.dll", destination);
    Place("fx_v9_1.dll", dir() + "old.dll");
    ASSERT_TRUE(SetReadOnly(dir() + "old.dll", true));
    boxes = BoxesShownBy([&] { MoveLibrary(dir() + "old.dll", destination); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.substr(0, boxes[0].text.find("\r\n")),
              "Could not move dll: " + destination);
    EXPECT_TRUE(fso::FileExists(dir() + "old.dll"));
    EXPECT_EQ(ReadFileBytes(destination), ReadFileBytes(Fixture("fx_v10_0.dll")));
}

// What a clock logs while ShellWait waits for `runs` child processes one after the other: only
// waits for the process, at most 100 ms each and no pause; the events are run before each wait
// and once more at the end of each run (`pumps`); at most one wait per run saw the process end.
void ExpectWaitsForTheEnd(const std::vector<std::string>& log, int pumps, int runs) {
    int signalled = 0;
    for (const std::string& entry : log) {
        if (entry == "WaitFor(100): signalled") {
            ++signalled;
        } else {
            EXPECT_EQ(entry, "WaitFor(100)");
        }
    }
    EXPECT_LE(signalled, runs);
    EXPECT_EQ(pumps, static_cast<int>(log.size()) + runs);
}

TEST_F(Libraries, RegisterLibraryUnregistersThenRegisters) {
    std::vector<std::string> log;
    RecordingClock clock(log);
    const std::string library = dir() + "fixture library.dll";

    // No file: nothing runs, and that is no failure.
    EXPECT_TRUE(RegisterLibrary(library));
    EXPECT_EQ(clock.pumps, 0);
    EXPECT_TRUE(log.empty());

    Place("fx_library.dll", library);
    std::vector<ShownBox> boxes = BoxesShownBy([&] { EXPECT_TRUE(RegisterLibrary(library)); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(RegistrationOf(library), "UR");
    ExpectWaitsForTheEnd(log, clock.pumps, 2);
    ForgetRegistration(library);
}

TEST_F(Libraries, ShellWait) {
    const std::string missing = "instalio-no-such-program.exe /x";
    bool result = true;
    std::vector<ShownBox> boxes = BoxesShownBy([&] { result = ShellWait(missing); });
    EXPECT_FALSE(result);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text, "Error in ShellWait() invoke: " + missing + "\r\n[2] " +
                                 ErrorDescription(ERROR_FILE_NOT_FOUND));

    // It waits for the end: the program's mark is there when it returns. A program that ends
    // with the code that also means "still running" (259) ends the wait too.
    std::vector<std::string> log;
    RecordingClock clock(log);
    const std::string program = dir() + "marker.exe";
    Place("fx_decoy.exe", program);
    EXPECT_TRUE(ShellWait("\"" + program + "\""));
    EXPECT_TRUE(fso::FileExists(program + ".ran"));
    EXPECT_TRUE(ShellWait("\"" + program + "\" 259"));
    ExpectWaitsForTheEnd(log, clock.pumps, 2);
}

// The one wait for a child process that ShellWait and the cabinet check share: what it reports
// of a process that could not start, of one that ended (its exit code, also the one that means
// "still running"), and of one that outlives the limit, which it ends.
TEST_F(Libraries, RunHiddenReportsTheEndOfTheChild) {
    const std::string program = "\"" + dir() + "marker.exe\"";
    Place("fx_decoy.exe", dir() + "marker.exe");
    struct Case {
        std::string commandLine;
        DWORD limitMs;
        ChildEnd end;
        DWORD code;
    };
    const Case cases[] = {
        {"instalio-no-such-program.exe", INFINITE, ChildEnd::NotStarted, ERROR_FILE_NOT_FOUND},
        {program, INFINITE, ChildEnd::Ended, 0},
        {program + " 7", 60000, ChildEnd::Ended, 7},
        {program + " 259", INFINITE, ChildEnd::Ended, 259},
        {program + " 0 60000", 300, ChildEnd::Stopped, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        std::vector<std::string> log;
        RecordingClock clock(log);
        DWORD code = 0;
        const ULONGLONG started = GetTickCount64();
        EXPECT_EQ(RunHidden(c.commandLine, ChildOutput::None, c.limitMs, clock, code), c.end);
        EXPECT_LT(GetTickCount64() - started, 20000u) << "a child past its limit is ended";
        if (c.end != ChildEnd::Stopped) {
            EXPECT_EQ(code, c.code);
        }
        if (c.end == ChildEnd::NotStarted) {
            EXPECT_EQ(clock.pumps, 0);
            EXPECT_TRUE(log.empty());
        } else {
            ExpectWaitsForTheEnd(log, clock.pumps, 1);
        }
        if (c.end == ChildEnd::Stopped) {
            EXPECT_EQ(std::count(log.begin(), log.end(), "WaitFor(100): signalled"), 0);
        }
    }
}

// Thread bodies of the wait's test: after a moment, one lets a suspended child process run,
// the other posts a message to a thread.
DWORD WINAPI ResumeLater(void* thread) {
    Sleep(100);
    return ResumeThread(static_cast<HANDLE>(thread));
}
DWORD WINAPI PostLater(void* thread) {
    Sleep(100);
    return PostThreadMessageA(*static_cast<const DWORD*>(thread), WM_APP, 0, 0);
}

// The platform's message-aware wait, as ShellWait relies on it: it ends when the process ends
// and when events reach the thread (posted before it or during it, a timer's), not at its
// time-out; without either it runs out.
TEST_F(Libraries, TheWaitEndsWithTheProcessAndWithEvents) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists
    DWORD self = GetCurrentThreadId();
    const std::string program = dir() + "marker.exe";
    Place("fx_decoy.exe", program);
    ScopedHandle never(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(never.valid());

    enum class Before { SuspendedChild, Post, PostLater, Timer, Nothing };
    struct Case {
        const char* what;
        Before before;
        WaitEnd expected;
    };
    const Case cases[] = {
        {"the process ends", Before::SuspendedChild, WaitEnd::Signalled},
        {"a message posted before", Before::Post, WaitEnd::Events},
        {"a message posted during it by another thread", Before::PostLater, WaitEnd::Events},
        {"a timer", Before::Timer, WaitEnd::Events},
        {"nothing", Before::Nothing, WaitEnd::TimedOut},
    };
    for (const Case& c : cases) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        HANDLE waitOn = never.get();
        std::optional<ScopedHandle> process;
        std::optional<ScopedHandle> child;
        std::optional<ScopedHandle> helper;
        UINT_PTR timer = 0;
        switch (c.before) {
        case Before::SuspendedChild: {
            STARTUPINFOA startup = {};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION started = {};
            std::string commandLine = "\"" + program + "\"";
            ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                                       CREATE_SUSPENDED, nullptr, nullptr, &startup, &started));
            process.emplace(started.hProcess);
            child.emplace(started.hThread);
            waitOn = started.hProcess;
            helper.emplace(CreateThread(nullptr, 0, ResumeLater, started.hThread, 0, nullptr));
            break;
        }
        case Before::Post:
            ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0));
            break;
        case Before::PostLater:
            helper.emplace(CreateThread(nullptr, 0, PostLater, &self, 0, nullptr));
            break;
        case Before::Timer:
            timer = SetTimer(nullptr, 0, 50, nullptr);
            ASSERT_NE(timer, 0u);
            break;
        case Before::Nothing:
            break;
        }
        const int milliseconds = c.expected == WaitEnd::TimedOut ? 50 : 20000;
        EXPECT_EQ(WaitForObjectOrEvents(waitOn, milliseconds), c.expected) << c.what;
        if (helper) {
            WaitForSingleObject(helper->get(), 20000);
        }
        if (timer != 0) {
            KillTimer(nullptr, timer);
        }
        if (process) {
            WaitForSingleObject(process->get(), 20000);
        }
    }
}

TEST_F(Libraries, InstallSystemOcx) {
    const std::string name = "INSTALIOFX.OCX";
    const std::string path = SystemFolder() + name;
    fso::DeleteFile(path, true);
    ForgetRegistration(path);

    // Written from the resource and registered.
    std::vector<ShownBox> boxes = BoxesShownBy([&] { EXPECT_TRUE(InstallSystemOcx(name)); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(Fixture("fx_library.dll")));
    EXPECT_EQ(RegistrationOf(path), "UR");

    // In use: it stays as it is and is not registered again.
    ForgetRegistration(path);
    ASSERT_TRUE(WriteFileBytes(path, "in use"));
    {
        ScopedHandle inUse(
            CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(inUse.valid());
        boxes = BoxesShownBy([&] { EXPECT_TRUE(InstallSystemOcx(name)); });
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadFileBytes(path), "in use");
    EXPECT_EQ(RegistrationOf(path), "");
    fso::DeleteFile(path, true);
}

} // namespace
