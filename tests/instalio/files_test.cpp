// File and folder helpers on the real file system of the Wine prefix.
#include "errorbox.h"
#include "files.h"
#include "filesystem.h"
#include "folders.h"
#include "system.h"

#include "links.h"
#include "support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using namespace instalio;
using namespace instalio::test;

namespace {

class Files : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineState(); }
    void TearDown() override { ResetEngineState(); }
    ScratchFolder scratch;
    const std::string& dir() const { return scratch.path(); }
};

// The first line of a box: the caller's message.
std::string Message(const ShownBox& box) {
    return box.text.substr(0, box.text.find("\r\n"));
}

TEST_F(Files, GetExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"LIB.OCX_", "ocx_"},
        {"X.OCX", "ocx"},
        {"readme", "readme"},
        {"README", "readme"},
        {"name.", ""},
        {"archive.tar.gz", "gz"},
        {".hidden", "hidden"},
        {"", ""},
        {"C:\\dir.v2\\file", "v2\\file"},
        {"C:\\Dir\\Caf\xC9.TXT", "txt"},
        {"\xC9T\xC9.\xC9", "\xE9"},
    };
    for (const auto& [name, extension] : cases) {
        EXPECT_EQ(GetExtension(name), extension) << name;
    }
}

TEST_F(Files, FileSystemObjectSemantics) {
    const std::string file = dir() + "a.txt";
    const std::string other = dir() + "b.txt";
    ASSERT_TRUE(WriteFileBytes(file, "a"));
    ASSERT_TRUE(WriteFileBytes(other, "b"));
    EXPECT_TRUE(fso::FileExists(file));
    EXPECT_FALSE(fso::FolderExists(file));
    EXPECT_TRUE(fso::FolderExists(dir()));
    EXPECT_FALSE(fso::FileExists(dir()));
    EXPECT_FALSE(fso::FileExists(""));
    EXPECT_FALSE(fso::FolderExists(""));

    EXPECT_EQ(fso::MoveFile(file, other), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadFileBytes(other), "b");
    EXPECT_EQ(fso::MoveFile(dir() + "none.txt", dir() + "c.txt"),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    ASSERT_TRUE(SetReadOnly(file, true));
    EXPECT_EQ(fso::DeleteFile(file, false), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fso::FileExists(file));
    EXPECT_EQ(fso::DeleteFile(file, true), 0u);
    EXPECT_FALSE(fso::FileExists(file));

    EXPECT_NE(fso::CreateFolder(""), 0u);
    EXPECT_NE(fso::CreateFolder(dir() + "missing\\child"), 0u);
    EXPECT_EQ(fso::CreateFolder(dir() + "child"), 0u);
    EXPECT_NE(fso::CreateFolder(dir() + "child"), 0u) << "an existing folder";
}

TEST_F(Files, MoveFileReplace) {
    const std::string source = dir() + "new.dll";
    const std::string target = dir() + "old.dll";
    ASSERT_TRUE(WriteFileBytes(source, "new"));
    ASSERT_TRUE(WriteFileBytes(target, "old, longer"));
    std::vector<ShownBox> boxes = BoxesShownBy([&] { MoveFileReplace(source, target); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_FALSE(fso::FileExists(source));

    // A read-only destination stops it at the deletion: nothing moves.
    ASSERT_TRUE(WriteFileBytes(source, "newer"));
    ASSERT_TRUE(SetReadOnly(target, true));
    boxes = BoxesShownBy([&] { MoveFileReplace(source, target); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Could not move file: " + target + "\r\n[5] " +
                                 ErrorDescription(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadFileBytes(source), "newer");
    EXPECT_EQ(ReadFileBytes(target), "new");
    ASSERT_TRUE(SetReadOnly(target, false));

    // A missing source: the destination deleted first stays deleted.
    boxes = BoxesShownBy([&] { MoveFileReplace(dir() + "none.dll", target); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Message(boxes[0]), "Could not move file: " + target);
    EXPECT_FALSE(fso::FileExists(target));

    // Silent while installing.
    InstallingFlag = true;
    boxes = BoxesShownBy([&] { MoveFileReplace(dir() + "none.dll", target); });
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Files, RemoveFile) {
    const std::string file = dir() + "remove.me";
    std::vector<ShownBox> boxes = BoxesShownBy([&] {
        EXPECT_TRUE(RemoveFile(file, true)) << "nothing to delete";
        ASSERT_TRUE(WriteFileBytes(file, "x"));
        ASSERT_TRUE(SetReadOnly(file, true));
        EXPECT_TRUE(RemoveFile(file, true)) << "read-only files go too";
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(fso::FileExists(file));

    // A file held open without delete sharing cannot be removed.
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    boxes = BoxesShownBy([&] {
        EXPECT_FALSE(RemoveFile(file, true));
        EXPECT_FALSE(RemoveFile(file, false));
    });
    CloseHandle(held);
    ASSERT_EQ(boxes.size(), 1u) << "only the call with ShowMessage shows the box";
    EXPECT_EQ(Message(boxes[0]), "Could not remove file: " + file);
    EXPECT_TRUE(fso::FileExists(file));
}

TEST_F(Files, CreateDirectoryMakesEveryMissingParent) {
    ASSERT_TRUE(CreateDirectoryA((dir() + "Apps").c_str(), nullptr));
    const std::string marker = dir() + "Apps\\marker.txt";
    ASSERT_TRUE(WriteFileBytes(marker, "kept"));
    std::vector<ShownBox> boxes = BoxesShownBy([&] {
        EXPECT_TRUE(CreateDirectory(dir() + "Apps\\Tools\\Logs\\"));
        EXPECT_TRUE(CreateDirectory(dir() + "Apps\\Other\\Deeper"));
        EXPECT_TRUE(CreateDirectory(dir() + "Apps")) << "an existing folder";
        EXPECT_TRUE(CreateDirectory(dir() + "Apps\\\\Double"));
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(fso::FolderExists(dir() + "Apps\\Tools"));
    EXPECT_TRUE(fso::FolderExists(dir() + "Apps\\Tools\\Logs"));
    EXPECT_TRUE(fso::FolderExists(dir() + "Apps\\Other\\Deeper"));
    EXPECT_TRUE(fso::FolderExists(dir() + "Apps\\Double"));
    EXPECT_EQ(ReadFileBytes(marker), "kept");
}

TEST_F(Files, CreateDirectoryFailures) {
    // A file in the way of a component; an invalid name after a folder that is made; a UNC path
    // and an empty one, which fail at their empty first component.
    ASSERT_TRUE(WriteFileBytes(dir() + "file", "x"));
    const std::string cases[] = {
        dir() + "file\\sub",
        dir() + "made\\bad?name\\x",
        "\\\\nosuchserver\\share\\folder",
        "\\rooted\\without\\drive",
        "",
    };
    for (const std::string& path : cases) {
        bool created = true;
        std::vector<ShownBox> boxes = BoxesShownBy([&] { created = CreateDirectory(path); });
        EXPECT_FALSE(created) << path;
        ASSERT_EQ(boxes.size(), 1u) << path;
        EXPECT_EQ(Message(boxes[0]), "Error in CreateDirectory():" + path);
        EXPECT_NE(boxes[0].text.find("\r\n["), std::string::npos);
    }
    EXPECT_TRUE(fso::FolderExists(dir() + "made")) << "folders made before the failure stay";
    EXPECT_EQ(CreateDirectoryTree("\\\\nosuchserver\\share"),
              static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Files, RemoveDirectory) {
    const std::string work = dir() + "Work\\extract";
    ASSERT_TRUE(CreateDirectory(work + "\\deep\\er\\"));
    ASSERT_TRUE(WriteFileBytes(work + "\\a.dll", "a"));
    ASSERT_TRUE(WriteFileBytes(work + "\\deep\\b.sys", "b"));
    ASSERT_TRUE(SetReadOnly(work + "\\deep\\b.sys", true));

    std::vector<ShownBox> boxes = BoxesShownBy([&] {
        EXPECT_TRUE(RemoveDirectory(work + "\\", true));
        EXPECT_TRUE(RemoveDirectory(work + "\\", true)) << "nothing left to delete";
    });
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(fso::FolderExists(work));
    EXPECT_TRUE(fso::FolderExists(dir() + "Work"));

    // A file held open inside stops the removal.
    ASSERT_TRUE(CreateDirectory(work));
    ASSERT_TRUE(WriteFileBytes(work + "\\held.txt", "x"));
    HANDLE held = CreateFileA((work + "\\held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    boxes = BoxesShownBy([&] {
        EXPECT_FALSE(RemoveDirectory(work + "\\", true));
        EXPECT_FALSE(RemoveDirectory(work, false));
    });
    CloseHandle(held);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Message(boxes[0]), "Could not remove directory: " + work);
    EXPECT_TRUE(RemoveDirectory(work, true));
}

// A folder that is a link, or holds one, is removed without touching what the link points at:
// on Windows the link goes; Wine cannot remove a link itself (links.h), so there the removal
// fails and leaves the link.
TEST_F(Files, RemoveDirectoryLeavesWhatALinkPointsAt) {
    struct Case {
        const char* name;
        bool linkAtTop; // the folder removed is the link, or holds it
        bool targetEmpty;
    };
    const Case cases[] = {
        {"top", true, false},
        {"top-empty", true, true},
        {"inside", false, false},
        {"inside-empty", false, true},
    };
    for (const Case& c : cases) {
        const std::string elsewhere = dir() + c.name + "-elsewhere";
        ASSERT_TRUE(CreateDirectory(elsewhere + "\\"));
        if (!c.targetEmpty) {
            ASSERT_TRUE(CreateDirectory(elsewhere + "\\deep\\"));
            ASSERT_TRUE(WriteFileBytes(elsewhere + "\\keep.txt", "kept"));
            ASSERT_TRUE(WriteFileBytes(elsewhere + "\\deep\\keep.txt", "kept"));
        }
        const std::string folder = dir() + c.name;
        if (!c.linkAtTop) {
            ASSERT_TRUE(CreateDirectory(folder + "\\"));
            ASSERT_TRUE(WriteFileBytes(folder + "\\own.txt", "own"));
        }
        const std::string linkPath = c.linkAtTop ? folder : folder + "\\link";
        TestLink link(linkPath, elsewhere);
        ASSERT_TRUE(link.made()) << c.name;
        ASSERT_TRUE(IsFolderLink(linkPath)) << c.name;

        const bool removed = RemoveDirectory(folder + "\\", false);

        EXPECT_TRUE(fso::FolderExists(elsewhere)) << c.name;
        if (!c.targetEmpty) {
            EXPECT_EQ(ReadFileBytes(elsewhere + "\\keep.txt"), "kept") << c.name;
            EXPECT_EQ(ReadFileBytes(elsewhere + "\\deep\\keep.txt"), "kept") << c.name;
        }
        if (PlatformOpensLinks()) {
            EXPECT_TRUE(removed) << c.name;
            EXPECT_FALSE(fso::FolderExists(folder)) << c.name;
        } else {
            EXPECT_FALSE(removed) << c.name;
            EXPECT_TRUE(IsFolderLink(linkPath)) << c.name;
        }
    }
}

BOOL WINAPI ReportsWow64(HANDLE, PBOOL wow64) {
    *wow64 = TRUE;
    return TRUE;
}
FARPROC Wow64Lookup(const char*, const char* name) {
    return std::string(name) == "IsWow64Process"
               ? reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(ReportsWow64))
               : nullptr;
}

TEST_F(Files, SystemDirectoryNativeAndUnderWow64) {
    char native[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(native, MAX_PATH), 0u);
    EXPECT_EQ(SystemDirectory(), std::string(native) + "\\");

    System.ModuleEntry = Wow64Lookup;
    char wow64[MAX_PATH] = {};
    ASSERT_GT(GetSystemWow64DirectoryA(wow64, MAX_PATH), 0u) << "a 64-bit prefix has SysWOW64";
    std::string folder;
    std::vector<ShownBox> boxes = BoxesShownBy([&] { folder = SystemDirectory(); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(folder, std::string(wow64) + "\\");
    EXPECT_NE(folder, std::string(native) + "\\");
}

// A path that is no full one is found from the current folder (or the current drive); FullPathOf
// gives where it leads, as every later use would find it.
TEST_F(Files, FullPaths) {
    char old[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryA(sizeof old, old), 0u);
    ASSERT_TRUE(CreateDirectoryA((dir() + "current").c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA((dir() + "current").c_str()));
    const std::string current = dir() + "current\\";
    const std::string drive = current.substr(0, 3);
    struct Case {
        const char* path;
        bool full;
        std::string resolved;
    };
    const Case cases[] = {
        {"C:\\Apps\\Tavrin\\", true, "C:\\Apps\\Tavrin\\"},
        {"\\\\host\\share\\Tavrin\\", true, "\\\\host\\share\\Tavrin\\"},
        {"foo\\", false, current + "foo\\"},
        {"foo\\bar\\", false, current + "foo\\bar\\"},
        {"..\\foo\\", false, dir() + "foo\\"},
        {".\\foo\\", false, current + "foo\\"},
        {"\\Apps\\", false, drive + "Apps\\"},
        {"C:/Apps/Tavrin/", false, "C:\\Apps\\Tavrin\\"},
        {"\\", false, drive},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsFullPath(c.path), c.full) << c.path;
        EXPECT_EQ(FullPathOf(c.path), c.resolved) << c.path;
    }
    EXPECT_TRUE(SetCurrentDirectoryA(old));
}

TEST_F(Files, PlatformFolders) {
    const std::string temp = TempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(fso::FolderExists(temp));

    const std::pair<int, std::string> folders[] = {
        {Csidl::ProgramFiles, ProgramFilesFolder()},
        {Csidl::AppData, AppDataFolder()},
        {Csidl::DesktopDirectory, SpecialFolder(Csidl::DesktopDirectory)},
        {Csidl::CommonPrograms, SpecialFolder(Csidl::CommonPrograms)},
    };
    for (const auto& [csidl, folder] : folders) {
        char expected[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, expected, csidl, FALSE)) << csidl;
        EXPECT_EQ(folder, std::string(expected) + "\\") << csidl;
        EXPECT_EQ(SpecialFolder(csidl), folder);
    }
    EXPECT_EQ(ProgramFilesFolder(), "C:\\Program Files\\");
    EXPECT_EQ(SpecialFolder(0x7E), "\\") << "a folder number the shell does not know";
}

} // namespace
