// Library versions, version-aware moves, registration, child processes and the control files,
// on the real platform of the Wine prefix, with fixture libraries that record their
// registration.
#include "errorbox.h"
#include "filesystem.h"
#include "handle.h"
#include "libraries.h"
#include "process.h"

#include "fixture_support.h"
#include "recording_clock.h"
#include "support.h"

#include <gtest/gtest.h>

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
    EXPECT_GE(clock.pumps, 2);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Sleep(100)");
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
    EXPECT_GE(clock.pumps, 2);
    for (const std::string& entry : log) {
        EXPECT_EQ(entry, "Sleep(100)");
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
