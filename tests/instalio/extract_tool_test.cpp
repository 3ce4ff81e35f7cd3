// The cabinet extraction tool as the setup program carries it (resource DLLS/EXTRACT), run with
// the command line the installation gives it, and the built-in cabinets it unpacks.
#include "config.h"
#include "files.h"
#include "filesystem.h"
#include "libraries.h"
#include "resources.h"

#include "cabinets.h"
#include "fixture_support.h"
#include "links.h"
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace instalio;
using namespace instalio::test;

namespace {

enum ExitCode { kDone = 0, kUsage = 1, kCabinetFailed = 2, kSkipped = 3, kDamaged = 4 };

class ExtractTool : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineState();
        ASSERT_TRUE(SaveResource("EXTRACT", "DLLS", tool));
    }

    // Runs the tool on `cabinet` into `folder` (given without its final "\") from the scratch
    // folder, as the installation runs it.
    int Extract(const std::string& cabinet, const std::string& folder,
                const std::string& options = "/Y") {
        return RunProgram("\"" + tool + "\" " + options + " \"" + cabinet + "\" /L \"" + folder +
                              "\" *.*",
                          dir());
    }

    ScratchFolder scratch;
    const std::string& dir() const { return scratch.path(); }
    const std::string tool = dir() + "extract32.exe";
};

TEST_F(ExtractTool, ExtractsEveryMemberAndOverwritesWithY) {
    const std::string cabinet = dir() + "a cabinet.cab";
    ASSERT_TRUE(CopyFileA(Fixture("fx103.cab").c_str(), cabinet.c_str(), FALSE));
    const std::string out = dir() + "out folder";
    ASSERT_EQ(Extract(cabinet, out), kDone);
    EXPECT_EQ(ReadFileBytes(out + "\\InstalioFxApp.exe"), "fixture app\r\n");
    EXPECT_EQ(ReadFileBytes(out + "\\data.ini"), "fixture data\r\n");
    EXPECT_EQ(ReadFileBytes(out + "\\Help\\readme.txt"), "fixture readme\r\n");
    EXPECT_EQ(ReadFileBytes(out + "\\svc\\fx_service.exe"),
              ReadFileBytes(Fixture("fx_service.exe")));

    // /Y replaces what is there; without it the existing file stays and the exit code says so.
    ASSERT_TRUE(WriteFileBytes(out + "\\data.ini", "changed"));
    EXPECT_EQ(Extract(cabinet, out), kDone);
    EXPECT_EQ(ReadFileBytes(out + "\\data.ini"), "fixture data\r\n");
    ASSERT_TRUE(WriteFileBytes(out + "\\data.ini", "changed"));
    EXPECT_EQ(Extract(cabinet, out, ""), kSkipped);
    EXPECT_EQ(ReadFileBytes(out + "\\data.ini"), "changed");

    // /Y replaces read-only, hidden and system files too: a reinstallation keeps no old file.
    ASSERT_TRUE(SetReadOnly(out + "\\data.ini", true));
    ASSERT_TRUE(WriteFileBytes(out + "\\InstalioFxApp.exe", "changed"));
    ASSERT_TRUE(SetFileAttributesA((out + "\\InstalioFxApp.exe").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(WriteFileBytes(out + "\\Help\\readme.txt", "changed"));
    ASSERT_TRUE(SetReadOnly(out + "\\Help\\readme.txt", true));
    EXPECT_EQ(Extract(cabinet, out, ""), kSkipped);
    EXPECT_EQ(ReadFileBytes(out + "\\data.ini"), "changed");
    EXPECT_EQ(Extract(cabinet, out), kDone);
    EXPECT_EQ(ReadFileBytes(out + "\\data.ini"), "fixture data\r\n");
    EXPECT_EQ(ReadFileBytes(out + "\\Help\\readme.txt"), "fixture readme\r\n");
    EXPECT_EQ(ReadFileBytes(out + "\\InstalioFxApp.exe"), "fixture app\r\n");
}

// Links inside the folder: a member that a link would take out of the folder is skipped like a
// member named with "..", and the file the link points at is not touched; a link that stays
// inside the folder is followed.
TEST_F(ExtractTool, NeverWritesThroughALinkOutOfTheFolder) {
    const std::string out = dir() + "out\\";
    const std::string elsewhere = dir() + "elsewhere\\";
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((out + "real").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(elsewhere + "victim.txt", "victim"));
    TestLink help(out + "Help", elsewhere);
    TestLink data(out + "data.ini", elsewhere + "victim.txt");
    TestLink svc(out + "svc", out + "real");
    ASSERT_TRUE(help.made() && data.made() && svc.made());

    EXPECT_EQ(Extract(Fixture("fx103.cab"), out.substr(0, out.size() - 1)), kSkipped);
    EXPECT_EQ(FilesIn(elsewhere), std::vector<std::string>{"victim.txt"});
    EXPECT_EQ(ReadFileBytes(elsewhere + "victim.txt"), "victim");
    EXPECT_EQ(ReadFileBytes(out + "real\\fx_service.exe"),
              ReadFileBytes(Fixture("fx_service.exe")));
    EXPECT_EQ(ReadFileBytes(out + "InstalioFxApp.exe"), "fixture app\r\n");
}

TEST_F(ExtractTool, MembersThatLeaveTheFolderAreSkipped) {
    const std::string out = dir() + "out";
    ASSERT_EQ(Extract(Fixture("hostile.cab"), out), kSkipped);
    EXPECT_EQ(ReadFileBytes(out + "\\inside.txt"), "inside");
    EXPECT_EQ(ReadFileBytes(out + "\\sub\\inside.txt"), "nested");
    EXPECT_EQ(FilesIn(out + "\\"), std::vector<std::string>{"inside.txt"}) << "the device CON";
    // "..\", "sub\..\..\", "sub/../../", "\", "C:\" and "C:" (the tool runs in the scratch
    // folder).
    const std::string outside[] = {
        dir() + "escaped1.txt",    dir() + "escaped2.txt",   dir() + "escaped3.txt",
        "C:\\instalio-rooted.txt", "C:\\instalio-drive.txt", dir() + "instalio-drive2.txt",
    };
    for (const std::string& path : outside) {
        EXPECT_FALSE(fso::FileExists(path)) << path;
        DeleteFileA(path.c_str());
    }
}

// A cabinet that only looks whole, extracted over an installation: the members before the damage
// are replaced, the damaged one keeps the file of its name as it was (its content, its
// read-only mark), and no partial or temporary file is left anywhere in the folder.
TEST_F(ExtractTool, ADamagedCabinetLeavesTheFilesItCannotExtractAsTheyWere) {
    const std::string good = ReadFileBytes(Fixture("fx103.cab"));
    struct Case {
        const char* name;
        std::string cabinet;
        int exitCode;
        bool textsReplaced; // the three small members, in the first data block
    };
    // The members by name: Help\readme.txt, InstalioFxApp.exe, data.ini in the first data block,
    // svc\fx_service.exe over all four.
    const Case cases[] = {
        {"the last data block damaged", WithDamagedDataBlock(good), kDamaged, true},
        {"cut off in the last data block", good.substr(0, good.size() - 100), kDamaged, true},
        {"a header that claims 65535 members", WithMemberCount(good, 65535), kCabinetFailed, false},
    };
    const std::string out = dir() + "out\\";
    const std::vector<std::string> texts = {"Help\\readme.txt", "InstalioFxApp.exe", "data.ini"};
    for (const Case& c : cases) {
        ASSERT_FALSE(c.cabinet.empty()) << c.name;
        const std::string cabinet = dir() + "damaged.cab";
        ASSERT_TRUE(WriteFileBytes(cabinet, c.cabinet));
        ASSERT_EQ(Extract(Fixture("fx103.cab"), out.substr(0, out.size() - 1)), kDone);
        for (const std::string& file : texts) {
            ASSERT_TRUE(WriteFileBytes(out + file, "installed")) << file;
        }
        ASSERT_TRUE(SetReadOnly(out + "svc\\fx_service.exe", true));

        EXPECT_EQ(Extract(cabinet, out.substr(0, out.size() - 1)), c.exitCode) << c.name;
        EXPECT_EQ(ReadFileBytes(out + "svc\\fx_service.exe"),
                  ReadFileBytes(Fixture("fx_service.exe")))
            << c.name;
        EXPECT_NE(
            GetFileAttributesA((out + "svc\\fx_service.exe").c_str()) & FILE_ATTRIBUTE_READONLY, 0u)
            << c.name;
        EXPECT_EQ(ReadFileBytes(out + "data.ini"),
                  c.textsReplaced ? "fixture data\r\n" : "installed")
            << c.name;
        EXPECT_EQ(ReadFileBytes(out + "Help\\readme.txt"),
                  c.textsReplaced ? "fixture readme\r\n" : "installed")
            << c.name;
        std::vector<std::string> top = FilesIn(out);
        std::sort(top.begin(), top.end());
        EXPECT_EQ(top, (std::vector<std::string>{"InstalioFxApp.exe", "data.ini"})) << c.name;
        EXPECT_EQ(FilesIn(out + "svc\\"), std::vector<std::string>{"fx_service.exe"}) << c.name;
        EXPECT_EQ(FilesIn(out + "Help\\"), std::vector<std::string>{"readme.txt"}) << c.name;
        ASSERT_TRUE(SetReadOnly(out + "svc\\fx_service.exe", false));
    }
}

// /T decompresses every member and writes nothing: 0 for a whole cabinet, 4 for damage inside it,
// 2 for one that cannot be read at all.
TEST_F(ExtractTool, TestModeTellsAWholeCabinetAndWritesNothing) {
    const std::string good = ReadFileBytes(Fixture("fx103.cab"));
    const std::string stored =
        StoredCabinet({{"a.txt", "first"}, {"b.txt", std::string(70000, 'b')}});
    struct Case {
        const char* name;
        std::string cabinet;
        int exitCode;
    };
    const Case cases[] = {
        {"made by the build", good, kDone},
        {"stored, with checksums", stored, kDone},
        {"hostile names", ReadFileBytes(Fixture("hostile.cab")), kDone},
        {"a damaged data block", WithDamagedDataBlock(good), kDamaged},
        {"a damaged stored block", WithDamagedDataBlock(stored), kDamaged},
        {"cut off", good.substr(0, good.size() - 100), kDamaged},
        {"a header that claims 65535 members", WithMemberCount(good, 65535), kCabinetFailed},
        {"no cabinet", "MSCF? no", kCabinetFailed},
    };
    const std::string cabinet = dir() + "test.cab";
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(cabinet, c.cabinet)) << c.name;
        EXPECT_EQ(RunProgram("\"" + tool + "\" /T \"" + cabinet + "\"", dir()), c.exitCode)
            << c.name;
        std::vector<std::string> files = FilesIn(dir());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, (std::vector<std::string>{"extract32.exe", "test.cab"})) << c.name;
    }
    EXPECT_EQ(RunProgram("\"" + tool + "\" /T \"" + cabinet + "\" /L \"" + dir() + "out\"", dir()),
              kUsage);
    EXPECT_EQ(RunProgram("\"" + tool + "\" /T", dir()), kUsage);
}

TEST_F(ExtractTool, ReportsAMissingCabinetAndAWrongCommandLine) {
    EXPECT_EQ(Extract(dir() + "missing.cab", dir() + "out"), kCabinetFailed);
    EXPECT_FALSE(fso::FolderExists(dir() + "out"));
    ASSERT_TRUE(WriteFileBytes(dir() + "not a cabinet.cab", "MSCF? no"));
    EXPECT_EQ(Extract(dir() + "not a cabinet.cab", dir() + "out"), kCabinetFailed);
    EXPECT_EQ(RunProgram("\"" + tool + "\" /Y \"" + Fixture("fx103.cab") + "\"", dir()), kUsage);
    EXPECT_EQ(RunProgram("\"" + tool + "\" /Y \"" + Fixture("fx103.cab") + "\" /L \"" + dir() +
                             "out\" *.txt",
                         dir()),
              kUsage);
}

TEST_F(ExtractTool, ADriveAloneIsItsRoot) {
    // The installation drops the final "\" of its folder, so a target "C:\" reaches the tool as
    // "C:". Run in the scratch folder, "C:" alone would name that folder.
    const std::string root = "C:\\instalio-root-check.txt";
    DeleteFileA(root.c_str());
    EXPECT_EQ(Extract(Fixture("rootcheck.cab"), "C:"), kDone);
    EXPECT_EQ(ReadFileBytes(root), "root");
    EXPECT_FALSE(fso::FileExists(dir() + "instalio-root-check.txt"));
    DeleteFileA(root.c_str());
}

// The machine field of a program file's header; 0 when it is no program file.
WORD MachineOf(const std::string& bytes) {
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) {
        return 0;
    }
    DWORD header = *reinterpret_cast<const DWORD*>(bytes.data() + 0x3C);
    if (bytes.size() < header + 6 || bytes.compare(header, 4, std::string("PE\0\0", 4)) != 0) {
        return 0;
    }
    return *reinterpret_cast<const WORD*>(bytes.data() + header + 4);
}

TEST_F(ExtractTool, BuiltInCabinetsUnpack) {
    const std::pair<const char*, const char*> cabinets[] = {
        {"LIBRERIAS_VM", "101"}, {"LIBRERIAS", "102"}, {"PROGRAMA", "103"}};
    for (const auto& [resource, number] : cabinets) {
        const std::string cabinet = dir() + number + ".cab";
        ASSERT_TRUE(SaveResource(resource, "ARCHIVOS", cabinet)) << resource;
        EXPECT_EQ(Extract(cabinet, dir() + number), kDone) << resource;
    }
#ifdef INSTALIO_SAMPLE_PAYLOAD
    // The sample payload: termlink.dll built for the same machine as this program, a shared
    // library with version information, and the configured application with a sub-folder.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    WORD machine = MachineOf(ReadFileBytes(self));
    ASSERT_NE(machine, 0);
    EXPECT_EQ(MachineOf(ReadFileBytes(dir() + "101\\termlink.dll")), machine);
    EXPECT_EQ(FileMajorVersion(dir() + "102\\TavrinLiteShared.dll"), "1");
    // The uninstaller that the uninstall entry names, placed in the system folder.
    EXPECT_EQ(MachineOf(ReadFileBytes(dir() + "102\\OstrevantUninstall.exe")), machine);
    // The configured application and every shortcut target are programs of the cabinet.
    ASSERT_TRUE(LoadConfiguration());
    std::vector<std::string> programs = {SetupConfig.Executable};
    for (const ConfigList<ShortcutEntry>* list :
         {&SetupConfig.ShortcutPrograms, &SetupConfig.ShortcutDesktop,
          &SetupConfig.ShortcutQuickLaunch}) {
        for (int i = 1; i <= list->UBound(); ++i) {
            programs.push_back((*list)[i].Target);
        }
    }
    for (const std::string& file : programs) {
        EXPECT_EQ(MachineOf(ReadFileBytes(dir() + "103\\" + file)), machine) << file;
    }
    EXPECT_TRUE(fso::FileExists(dir() + "103\\Help\\readme.txt"));
#endif
}

} // namespace
