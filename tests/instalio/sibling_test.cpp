// The takeover of a sibling product, seeded in the registry, the file system and the shell
// folders of the Wine prefix.
#include "config.h"
#include "filesystem.h"
#include "folderguard.h"
#include "folders.h"
#include "registry.h"
#include "sibling.h"
#include "text.h"

#include "fixture_support.h"
#include "links.h"
#include "recording_surface.h"
#include "support.h"

#include <gtest/gtest.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <memory>

using namespace instalio;
using namespace instalio::test;

namespace {

const std::string kSibling = "Vessmark .Net";
const std::string kSiblingKey = std::string(kUninstallKey) + kSibling;

class Sibling : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineState();
        SetupConfig.Name = "Tavrin Lite";
        form.path.text = target;
        frmMain = &form;
        Clean();
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(old.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((old + "sub").c_str(), nullptr));
        for (const char* file : {"DATA.MDB", "Setup.INI", "x.cop", "notes.txt", "sub\\inner.ini"}) {
            ASSERT_TRUE(WriteFileBytes(old + file, std::string("sibling ") + file));
        }
        ASSERT_TRUE(CreateDirectory(programs + "\\"));
        ASSERT_TRUE(WriteFileBytes(programs + "\\" + kSibling + ".lnk", "link"));
        ASSERT_TRUE(WriteFileBytes(desktop, "link"));
        ASSERT_TRUE(CreateDirectory(quickLaunch.substr(0, quickLaunch.find_last_of('\\') + 1)));
        ASSERT_TRUE(WriteFileBytes(quickLaunch, "link"));
    }
    void TearDown() override {
        Clean();
        ResetEngineState();
    }
    void Clean() {
        DeleteTree(HKEY_LOCAL_MACHINE, kSiblingKey, KEY_WOW64_32KEY);
        fso::DeleteFolder(programs, true);
        fso::DeleteFile(desktop, true);
        fso::DeleteFile(quickLaunch, true);
    }
    // The sibling's uninstall entry as its own setup wrote it for its folder `folder`.
    void Register(const std::string& folder) {
        ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, kSiblingKey, "UninstallString",
                              "C:\\windows\\system32\\OstrevantUninstall.exe '" + kSibling + "' '" +
                                  folder + "'",
                              KEY_WOW64_32KEY));
    }
    bool Installed() const { return KeyExists(HKEY_LOCAL_MACHINE, kSiblingKey, KEY_WOW64_32KEY); }

    RecordingSurface form;
    ScratchFolder scratch;
    const std::string target = scratch.path() + "target\\";
    const std::string old = scratch.path() + "Vessmark folder\\";
    const std::string oldWithoutSlash = old.substr(0, old.size() - 1);
    const std::string programs = SpecialFolder(Csidl::CommonPrograms) + kSibling;
    const std::string desktop = SpecialFolder(Csidl::DesktopDirectory) + kSibling + ".lnk";
    const std::string quickLaunch = SpecialFolder(Csidl::AppData) +
                                    "Microsoft\\Internet Explorer\\Quick Launch\\" + kSibling +
                                    ".lnk";
};

TEST_F(Sibling, TheSiblingFollowsTheConfiguredName) {
    const std::pair<const char*, const char*> cases[] = {
        {"Tavrin Pro EU", "Plandor .Net"},
        {"tavrin pro eu", "Vessmark .Net"},
        {"Tavrin Pro EU ", "Vessmark .Net"},
        {"Tavrin Lite", "Vessmark .Net"},
        {"", "Vessmark .Net"},
    };
    for (const auto& [name, sibling] : cases) {
        SetupConfig.Name = name;
        EXPECT_EQ(SiblingProduct(), sibling) << name;
    }
    SetupConfig.Name = "Tavrin Lite";
    EXPECT_FALSE(IsSiblingInstalled());
    Register(oldWithoutSlash);
    EXPECT_TRUE(IsSiblingInstalled());
    SetupConfig.Name = "Tavrin Pro EU";
    EXPECT_FALSE(IsSiblingInstalled()) << "looks for Plandor .Net";
}

TEST_F(Sibling, TakesOverTheDataFilesAndRemovesTheSibling) {
    ASSERT_TRUE(WriteFileBytes(target + "Setup.INI", "ours"));
    Register(oldWithoutSlash);
    MigrateSibling();
    EXPECT_EQ(ReadFileBytes(target + "DATA.MDB"), "sibling DATA.MDB");
    EXPECT_EQ(ReadFileBytes(target + "Setup.INI"), "sibling Setup.INI");
    EXPECT_EQ(ReadFileBytes(target + "x.cop"), "sibling x.cop");
    EXPECT_FALSE(fso::FileExists(target + "notes.txt"));
    EXPECT_FALSE(fso::FileExists(target + "inner.ini"));
    EXPECT_FALSE(fso::FolderExists(old));
    EXPECT_FALSE(fso::FolderExists(programs));
    EXPECT_FALSE(fso::FileExists(desktop));
    EXPECT_FALSE(fso::FileExists(quickLaunch));
    EXPECT_FALSE(Installed());
}

TEST_F(Sibling, WithoutAQuoteTheWholeValueLessItsLastCharacterIsTheFolder) {
    ASSERT_TRUE(
        WriteText(HKEY_LOCAL_MACHINE, kSiblingKey, "UninstallString", old + "X", KEY_WOW64_32KEY));
    MigrateSibling();
    EXPECT_EQ(ReadFileBytes(target + "DATA.MDB"), "sibling DATA.MDB");
    EXPECT_FALSE(fso::FolderExists(old));
    EXPECT_FALSE(Installed());
}

TEST_F(Sibling, AFolderThatIsGoneLeavesOnlyTheKeyToDelete) {
    Register(scratch.path() + "gone");
    MigrateSibling();
    EXPECT_FALSE(Installed());
    EXPECT_TRUE(fso::FolderExists(old));
    EXPECT_TRUE(fso::FolderExists(programs));
    EXPECT_TRUE(fso::FileExists(desktop));
    EXPECT_TRUE(fso::FileExists(quickLaunch));
}

TEST_F(Sibling, TheFirstFailureEndsTheTakeover) {
    // No UninstallString: nothing is copied or deleted, and the key stays.
    ASSERT_TRUE(
        WriteText(HKEY_LOCAL_MACHINE, kSiblingKey, "DisplayName", kSibling, KEY_WOW64_32KEY));
    MigrateSibling();
    EXPECT_TRUE(Installed());
    EXPECT_TRUE(fso::FolderExists(old));
    EXPECT_FALSE(fso::FileExists(target + "DATA.MDB"));

    // A copy onto a read-only file: the sibling stays.
    Register(oldWithoutSlash);
    ASSERT_TRUE(WriteFileBytes(target + "Setup.INI", "ours"));
    ASSERT_TRUE(SetReadOnly(target + "Setup.INI", true));
    MigrateSibling();
    EXPECT_EQ(ReadFileBytes(target + "Setup.INI"), "ours");
    EXPECT_TRUE(fso::FolderExists(old));
    EXPECT_TRUE(Installed());
    ASSERT_TRUE(SetReadOnly(target + "Setup.INI", false));

    // A read-only Quick Launch shortcut is not deleted without force: the folders and the
    // desktop shortcut are gone, the shortcut and the key stay.
    ASSERT_TRUE(SetReadOnly(quickLaunch, true));
    MigrateSibling();
    EXPECT_FALSE(fso::FolderExists(old));
    EXPECT_FALSE(fso::FolderExists(programs));
    EXPECT_FALSE(fso::FileExists(desktop));
    EXPECT_TRUE(fso::FileExists(quickLaunch));
    EXPECT_TRUE(Installed());
}

TEST_F(Sibling, ASiblingAtADriveRootKeepsTheDrive) {
    const std::string marker = "instalio-sibling-" + std::to_string(GetCurrentProcessId()) + ".ini";
    ASSERT_TRUE(WriteFileBytes("C:\\" + marker, "at the root"));
    Register("C:");
    MigrateSibling();
    EXPECT_EQ(ReadFileBytes(target + marker), "at the root");
    EXPECT_EQ(ReadFileBytes("C:\\" + marker), "at the root");
    EXPECT_TRUE(fso::FolderExists("C:\\windows"));
    // The takeover goes on after the skipped deletion.
    EXPECT_FALSE(fso::FolderExists(programs));
    EXPECT_FALSE(fso::FileExists(desktop));
    EXPECT_FALSE(fso::FileExists(quickLaunch));
    EXPECT_FALSE(Installed());
    DeleteFileA(("C:\\" + marker).c_str());
}

// The new installation inside the sibling's folder, or in that folder itself: deleting the
// sibling's folder would take the installation and the data files just copied into it along.
// That one deletion is skipped; the takeover goes on.
TEST_F(Sibling, ATargetInsideTheSiblingsFolderIsKept) {
    const std::string nested = old + "Tavrin Lite\\";
    ASSERT_TRUE(CreateDirectory(nested));
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(nested.c_str(), shortName, sizeof shortName), 0u);
    const std::string cases[] = {nested, UCase(nested), shortName, old};
    for (const std::string& inside : cases) {
        form.path.text = inside;
        ASSERT_TRUE(WriteFileBytes(inside + "TavrinLite.exe", "the new installation"));
        Register(oldWithoutSlash);
        MigrateSibling();
        EXPECT_EQ(ReadFileBytes(inside + "TavrinLite.exe"), "the new installation") << inside;
        EXPECT_EQ(ReadFileBytes(inside + "DATA.MDB"), "sibling DATA.MDB") << inside;
        EXPECT_EQ(ReadFileBytes(inside + "Setup.INI"), "sibling Setup.INI") << inside;
    }
    EXPECT_FALSE(fso::FolderExists(programs));
    EXPECT_FALSE(fso::FileExists(desktop));
    EXPECT_FALSE(fso::FileExists(quickLaunch));
}

// A folder that is not a full path would be found from the setup program's current folder
// (where the user started it): it names no folder of the sibling, and only the key goes.
TEST_F(Sibling, AFolderThatIsNoFullPathIsNotTheSiblings) {
    char saved[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
    for (const char* folder : {"Vessmark folder", ".", "Vessmark folder\\..\\Vessmark folder"}) {
        Register(folder);
        MigrateSibling();
        EXPECT_EQ(ReadFileBytes(old + "DATA.MDB"), "sibling DATA.MDB") << folder;
        EXPECT_FALSE(fso::FileExists(target + "DATA.MDB")) << folder;
        EXPECT_TRUE(fso::FileExists(desktop)) << folder;
        EXPECT_FALSE(Installed()) << folder;
    }
    SetCurrentDirectoryA(saved);
}

// The platform's folder `id`, without a final "\".
std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string text;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) {
        for (const wchar_t* c = path; *c != 0; ++c) {
            text += static_cast<char>(*c); // the prefix's folder names are plain ASCII
        }
    }
    CoTaskMemFree(path);
    return text;
}

// The system's folders, a user's profile and the new installation are never deleted as the
// sibling's folder, named directly or through a link; the takeover goes on without that
// deletion.
TEST_F(Sibling, ProtectedFoldersAreKept) {
    const std::string marker = "instalio-guard-" + std::to_string(GetCurrentProcessId()) + ".txt";
    struct Case {
        std::string folder;   // as UninstallString names it
        std::string resolved; // where it leads
    };
    std::vector<Case> cases;
    const KNOWNFOLDERID* const known[] = {
        &FOLDERID_Windows,      &FOLDERID_System,          &FOLDERID_SystemX86,
        &FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramData,
        &FOLDERID_UserProfiles, &FOLDERID_Profile,         &FOLDERID_Public,
    };
    for (const KNOWNFOLDERID* id : known) {
        const std::string folder = KnownFolder(*id);
        ASSERT_FALSE(folder.empty());
        cases.push_back({folder, folder});
    }
    const std::pair<std::string, std::string> links[] = {
        {scratch.path() + "to windows", KnownFolder(FOLDERID_Windows)},
        {scratch.path() + "to a profile", KnownFolder(FOLDERID_Profile)},
        {target + "to the folder holding the target", scratch.path()},
    };
    std::vector<std::unique_ptr<TestLink>> made;
    for (const auto& [link, to] : links) {
        made.push_back(std::make_unique<TestLink>(link, to));
        ASSERT_TRUE(made.back()->made()) << link;
        cases.push_back({link, to});
    }

    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(c.resolved + "\\" + marker, "kept")) << c.resolved;
        ASSERT_TRUE(WriteFileBytes(desktop, "link"));
        Register(c.folder);
        MigrateSibling();
        EXPECT_EQ(ReadFileBytes(c.resolved + "\\" + marker), "kept") << c.folder;
        EXPECT_FALSE(fso::FileExists(desktop)) << c.folder << ": the takeover goes on";
        EXPECT_FALSE(Installed()) << c.folder;
        DeleteFileA((c.resolved + "\\" + marker).c_str());
    }
}

TEST(DriveRoot, IsDriveRoot) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\", true},
        {"C:", true},
        {"\\", true},
        {"C:\\.\\", true},
        {"C:\\windows\\..\\", true},
        {"\\\\server\\share\\", true},
        {"\\\\server\\share\\dir\\", false},
        {"\\\\?\\UNC\\server\\share\\", true},
        {"\\\\?\\unc\\server\\share", true},
        {"\\\\?\\UNC\\server\\share\\dir\\", false},
        {"\\\\.\\UNC\\server\\share\\", true},
        {"\\\\.\\unc\\server\\share", true},
        {"\\\\.\\UNC\\server\\share\\dir\\", false},
        {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\", true},
        {"\\\\?\\globalroot\\Device\\HarddiskVolume1\\dir\\", true},
        {"\\\\.\\GLOBALROOT\\Device\\HarddiskVolume1", true},
        {"\\\\?\\Volume{0a1b2c3d-1111-2222-3333-444455556666}\\", true},
        {"\\\\?\\Volume{0a1b2c3d-1111-2222-3333-444455556666}\\dir\\", false},
        {"\\\\?\\C:\\", true},
        {"\\\\.\\C:\\", true},
        {"\\\\?\\C:\\dir\\", false},
        {"C:\\windows\\", false},
        {"C:\\Program Files\\Vessmark\\", false},
    };
    for (const auto& [folder, root] : cases) {
        EXPECT_EQ(IsDriveRoot(folder), root) << folder;
    }
}

} // namespace
