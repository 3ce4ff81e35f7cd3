// The shortcuts and "Uninstall.log" in the shell folders of the Wine prefix. The shortcut files
// are read back through the platform's shell-link object.
#include "config.h"
#include "display.h"
#include "filesystem.h"
#include "folders.h"
#include "owners.h"
#include "shortcuts.h"

#include "recording_surface.h"
#include "support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

using namespace instalio;
using namespace instalio::test;

namespace {

// What a shortcut file holds, as the shell-link object reads it.
struct Link {
    bool loaded = false;
    std::string target;
    std::string workingFolder;
    std::string arguments;
    std::string description;
    std::string icon;
    WORD hotKey = 0;
};

Link ReadLink(const std::string& path) {
    ScopedCoInitialize com;
    Link link;
    ComPtr<IShellLinkA> shellLink;
    ComPtr<IPersistFile> file;
    std::wstring wide(path.begin(), path.end());
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                shellLink.out())) ||
        FAILED(shellLink->QueryInterface(IID_IPersistFile, file.out())) ||
        FAILED(file->Load(wide.c_str(), STGM_READ))) {
        return link;
    }
    link.loaded = true;
    char text[MAX_PATH] = {};
    shellLink->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    link.target = text;
    text[0] = '\0';
    shellLink->GetWorkingDirectory(text, sizeof text);
    link.workingFolder = text;
    text[0] = '\0';
    shellLink->GetArguments(text, sizeof text);
    link.arguments = text;
    text[0] = '\0';
    shellLink->GetDescription(text, sizeof text);
    link.description = text;
    text[0] = '\0';
    int index = 0;
    shellLink->GetIconLocation(text, sizeof text, &index);
    link.icon = text;
    shellLink->GetHotkey(&link.hotKey);
    return link;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

bool Contains(const std::vector<std::string>& log, const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
}

// The shortcut folders of the prefix, a target folder of the test's own, a product name and
// captions that no other test program uses; whatever a test creates there is removed.
class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineState();
        SetupConfig.Name = tag + " product";
        SetupConfig.Executable = "start.bat";
        frmMain = &surface;
        surface.path.text = target();
        for (RecordedCheckBox* box : {&surface.check1, &surface.check2, &surface.check3}) {
            box->checked = false;
        }
        surface.check4.checked = false;
        // The prefix has no Quick Launch folder of its own: the test makes it and removes it.
        const std::string browser =
            SpecialFolder(Csidl::AppData) + "Microsoft\\Internet Explorer\\";
        madeFolder_ = !fso::FolderExists(browser)       ? browser
                      : !fso::FolderExists(quickLaunch) ? quickLaunch
                                                        : std::string();
        ASSERT_TRUE(CreateDirectory(quickLaunch));
    }
    void TearDown() override {
        Clean();
        if (!madeFolder_.empty()) {
            RemoveDirectory(madeFolder_, false);
        }
        ResetEngineState();
    }

    // Removes the shortcuts of this test program, its Programs-menu folder and its log.
    void Clean() {
        for (const std::string& folder : {desktop, quickLaunch}) {
            WIN32_FIND_DATAA found;
            HANDLE find = FindFirstFileA((folder + tag + "*").c_str(), &found);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    fso::DeleteFile(folder + found.cFileName, true);
                } while (FindNextFileA(find, &found));
                FindClose(find);
            }
        }
        RemoveDirectory(programs, false);
        fso::DeleteFile(log(), true);
        surface.log.clear();
    }

    std::string target() const { return target_.path(); }
    std::string log() const { return target() + "Uninstall.log"; }
    std::string Caption(const std::string& name) const { return tag + " " + name; }

    // Expects a shortcut file at `path` to `file` in the target folder, working there.
    void ExpectLink(const std::string& path, const std::string& file) {
        Link link = ReadLink(path);
        ASSERT_TRUE(link.loaded) << path;
        EXPECT_EQ(link.target, target() + file) << path;
        const std::string full = target() + file;
        EXPECT_EQ(link.workingFolder, full.substr(0, full.rfind('\\') + 1)) << path;
        EXPECT_EQ(link.arguments, "") << path;
        EXPECT_EQ(link.description, "") << path;
        EXPECT_EQ(link.icon, "") << path;
        EXPECT_EQ(link.hotKey, 0) << path;
    }

    const std::string tag = "instalio-test-" + std::to_string(GetCurrentProcessId());
    const std::string programs = SpecialFolder(Csidl::CommonPrograms) + tag + " product\\";
    const std::string desktop = SpecialFolder(Csidl::DesktopDirectory);
    const std::string quickLaunch =
        SpecialFolder(Csidl::AppData) + "Microsoft\\Internet Explorer\\Quick Launch\\";
    RecordingSurface surface;

private:
    ScratchFolder target_;
    std::string madeFolder_; // the first folder of the Quick Launch path that the test made
};

TEST_F(Shortcuts, EachSetByItsBox) {
    SetupConfig.ShortcutPrograms.Add() = {"app.exe", Caption("program")};
    SetupConfig.ShortcutPrograms.Add() = {"tools\\admin.exe", Caption("administration")};
    SetupConfig.ShortcutDesktop.Add() = {"app.exe", Caption("desktop")};
    SetupConfig.ShortcutQuickLaunch.Add() = {"app.exe", Caption("quick")};
    const std::string programLinks[] = {programs + Caption("program") + ".lnk",
                                        programs + Caption("administration") + ".lnk"};
    const std::string desktopLink = desktop + Caption("desktop") + ".lnk";
    const std::string quickLink = quickLaunch + Caption("quick") + ".lnk";

    const bool rows[][3] = {{true, true, true},   {false, false, false}, {true, false, false},
                            {false, true, false}, {false, false, true},  {true, false, true}};
    for (const auto& row : rows) {
        const std::string name = std::string("Check1-3: ") + (row[0] ? "X" : "-") +
                                 (row[1] ? "X" : "-") + (row[2] ? "X" : "-");
        surface.check1.checked = row[0];
        surface.check2.checked = row[1];
        surface.check3.checked = row[2];
        EXPECT_EQ(CreateShortcuts(), 0u) << name;

        std::vector<std::string> logged;
        EXPECT_EQ(fso::FolderExists(programs), row[0]) << name;
        for (const std::string& link : programLinks) {
            EXPECT_EQ(fso::FileExists(link), row[0]) << name << " " << link;
        }
        if (row[0]) {
            ExpectLink(programLinks[0], "app.exe");
            ExpectLink(programLinks[1], "tools\\admin.exe");
            logged.insert(logged.end(), std::begin(programLinks), std::end(programLinks));
        }
        EXPECT_EQ(fso::FileExists(desktopLink), row[1]) << name;
        if (row[1]) {
            ExpectLink(desktopLink, "app.exe");
            logged.push_back(desktopLink);
        }
        EXPECT_EQ(fso::FileExists(quickLink), row[2]) << name;
        if (row[2]) {
            ExpectLink(quickLink, "app.exe");
            logged.push_back(quickLink);
        }
        if (logged.empty()) {
            EXPECT_FALSE(fso::FileExists(log())) << name;
        } else {
            EXPECT_EQ(ReadFileBytes(log()), Lines(logged)) << name;
        }
        EXPECT_TRUE(Contains(surface.log, "Check4.Checked")) << name;
        Clean();
    }
}

TEST_F(Shortcuts, EmptyProgramsListStillCreatesTheProductFolder) {
    surface.check1.checked = true;
    EXPECT_EQ(CreateShortcuts(), 0u);
    EXPECT_TRUE(fso::FolderExists(programs));
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((programs + "*.lnk").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
    }
    EXPECT_FALSE(fso::FileExists(log()));
}

TEST_F(Shortcuts, SameCaptionTwiceKeepsTheSecondAndLogsBoth) {
    SetupConfig.ShortcutDesktop.Add() = {"first.exe", Caption("same")};
    SetupConfig.ShortcutDesktop.Add() = {"second.exe", Caption("same")};
    surface.check2.checked = true;
    EXPECT_EQ(CreateShortcuts(), 0u);
    const std::string link = desktop + Caption("same") + ".lnk";
    ExpectLink(link, "second.exe");
    EXPECT_EQ(ReadFileBytes(log()), Lines({link, link}));
}

TEST_F(Shortcuts, SecondRunAppendsToTheLog) {
    ASSERT_TRUE(WriteFileBytes(log(), "C:\\earlier\\run.lnk\r\n"));
    SetupConfig.ShortcutDesktop.Add() = {"app.exe", Caption("desktop")};
    surface.check2.checked = true;
    EXPECT_EQ(CreateShortcuts(), 0u);
    EXPECT_EQ(CreateShortcuts(), 0u);
    const std::string link = desktop + Caption("desktop") + ".lnk";
    EXPECT_EQ(ReadFileBytes(log()), Lines({"C:\\earlier\\run.lnk", link, link}));
}

TEST_F(Shortcuts, WithoutAWizardWindowNothingIsCreated) {
    SetupConfig.ShortcutDesktop.Add() = {"app.exe", Caption("desktop")};
    surface.check2.checked = true;
    frmMain = nullptr;
    EXPECT_EQ(CreateShortcuts(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(CreateShortcut("app.exe", desktop, Caption("bare")),
              static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(fso::FileExists(desktop + Caption("desktop") + ".lnk"));
    EXPECT_FALSE(fso::FileExists(desktop + Caption("bare") + ".lnk"));
    EXPECT_FALSE(fso::FileExists(log()));
}

TEST_F(Shortcuts, LinkWithoutFolderInTargetHasNoWorkingFolder) {
    const std::string link = desktop + Caption("bare") + ".lnk";
    EXPECT_EQ(CreateShortcut("app.exe", desktop, Caption("bare")), 0u);
    Link read = ReadLink(link);
    ASSERT_TRUE(read.loaded);
    EXPECT_EQ(read.workingFolder, "");
    EXPECT_EQ(ReadFileBytes(log()), Lines({link}));
}

TEST_F(Shortcuts, OnlyCheck4StartsTheApplicationInTheTargetFolder) {
    ASSERT_TRUE(WriteFileBytes(target() + "start.bat", "@cd > started.txt\r\n"));
    surface.check4.checked = true;
    EXPECT_EQ(CreateShortcuts(), 0u);
    std::string started;
    for (int i = 0; i < 200 && started.find("\r\n") == std::string::npos; ++i) {
        Sleep(50);
        started = ReadFileBytes(target() + "started.txt");
    }
    EXPECT_EQ(started, target().substr(0, target().size() - 1) + "\r\n");
    EXPECT_FALSE(fso::FileExists(log()));
    EXPECT_FALSE(fso::FolderExists(programs));
}

TEST_F(Shortcuts, FirstFailureEndsTheRest) {
    SetupConfig.ShortcutPrograms.Add() = {"app.exe", Caption("program")};
    SetupConfig.ShortcutDesktop.Add() = {"app.exe", Caption("before")};
    SetupConfig.ShortcutDesktop.Add() = {"app.exe", "no such folder\\" + Caption("failing")};
    SetupConfig.ShortcutDesktop.Add() = {"app.exe", Caption("after")};
    SetupConfig.ShortcutQuickLaunch.Add() = {"app.exe", Caption("quick")};
    for (RecordedCheckBox* box :
         {&surface.check1, &surface.check2, &surface.check3, &surface.check4}) {
        box->checked = true;
    }
    EXPECT_NE(CreateShortcuts(), 0u);
    const std::string program = programs + Caption("program") + ".lnk";
    const std::string before = desktop + Caption("before") + ".lnk";
    ExpectLink(program, "app.exe");
    ExpectLink(before, "app.exe");
    EXPECT_FALSE(fso::FileExists(desktop + Caption("after") + ".lnk"));
    EXPECT_FALSE(fso::FileExists(quickLaunch + Caption("quick") + ".lnk"));
    EXPECT_EQ(ReadFileBytes(log()), Lines({program, before}));
    EXPECT_FALSE(Contains(surface.log, "Check3.Checked"));
    EXPECT_FALSE(Contains(surface.log, "Check4.Checked"));
}

TEST_F(Shortcuts, LogThatCannotBeWrittenEndsTheRestAndLeavesTheLinkUnlogged) {
    ASSERT_TRUE(CreateDirectoryA(log().c_str(), nullptr));
    SetupConfig.ShortcutDesktop.Add() = {"app.exe", Caption("saved")};
    SetupConfig.ShortcutDesktop.Add() = {"app.exe", Caption("never")};
    surface.check2.checked = true;
    surface.check4.checked = true;
    EXPECT_NE(CreateShortcuts(), 0u);
    ExpectLink(desktop + Caption("saved") + ".lnk", "app.exe");
    EXPECT_FALSE(fso::FileExists(desktop + Caption("never") + ".lnk"));
    EXPECT_FALSE(Contains(surface.log, "Check4.Checked"));
    RemoveDirectoryA(log().c_str());
}

} // namespace
