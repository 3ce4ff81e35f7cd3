// The carried control libraries as the start-up installs them and the program loads them:
// registration with regsvr32, the setup program's resources, and the program's loader with its
// error box for every way a library can be unusable.
#include "control_libraries.h"
#include "filesystem.h"
#include "libraries.h"
#include "library_loader.h"

#include "fixture_support.h"
#include "support.h"

#include <gtest/gtest.h>

using namespace instalio;
using namespace instalio::test;

namespace {

struct Library {
    const char* file;
    const char* clsid;
    const char* progId;
};
const Library kLibraries[] = {
    {VMCOMCTL_FILE_NAME, VMCOMCTL_CLSID, VMCOMCTL_PROGID},
    {MSINETVM_FILE_NAME, MSINETVM_CLSID, MSINETVM_PROGID},
};

const ocx::ControlLibrary kCommonControls = {VMCOMCTL_FILE_NAME, VMCOMCTL_CLSID, VMCOMCTL_ENTRY,
                                             VMCOMCTL_VERSION};
const ocx::ControlLibrary kInternetTransfer = {MSINETVM_FILE_NAME, MSINETVM_CLSID, MSINETVM_ENTRY,
                                               MSINETVM_VERSION};

constexpr REGSAM kView = KEY_WOW64_64KEY; // the tests are 64-bit programs

std::string ClassKey(const char* clsid) {
    return std::string("SOFTWARE\\Classes\\CLSID\\") + clsid;
}

std::string ServerKey(const char* clsid) {
    return ClassKey(clsid) + "\\InprocServer32";
}

int Regsvr32(const std::string& options, const std::string& path) {
    return RunProgram("regsvr32.exe " + options + " \"" + path + "\"", ExeFolder());
}

void Place(const std::string& from, const std::string& to) {
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << to;
}

class ControlLibraries : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineState(); }
    void TearDown() override { ResetEngineState(); }
    ScratchFolder scratch;
    const std::string& dir() const { return scratch.path(); }
};

TEST_F(ControlLibraries, Regsvr32WritesAndRemovesTheClassRegistration) {
    for (const Library& library : kLibraries) {
        // A copy in a folder whose name has a blank: the registration names that copy.
        const std::string folder = dir() + "copy of " + library.progId + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        const std::string path = folder + library.file;
        Place(ExeFolder() + library.file, path);

        ASSERT_EQ(Regsvr32("/S", path), 0) << library.file;
        std::vector<RegistryValue> expected = {{"", REG_SZ, path},
                                               {"ThreadingModel", REG_SZ, "Apartment"}};
        EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE, ServerKey(library.clsid), kView), expected);
        expected = {{"", REG_SZ, library.clsid}};
        EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE,
                             std::string("SOFTWARE\\Classes\\") + library.progId + "\\CLSID",
                             kView),
                  expected);
        expected = {{"", REG_SZ, library.progId}};
        EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE, ClassKey(library.clsid) + "\\ProgID", kView),
                  expected);

        ASSERT_EQ(Regsvr32("/U /S", path), 0) << library.file;
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ClassKey(library.clsid), kView));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE,
                               std::string("SOFTWARE\\Classes\\") + library.progId, kView));
        // Unregistering what is not registered is no failure.
        EXPECT_EQ(Regsvr32("/U /S", path), 0) << library.file;
    }
}

// Each way the registration or the file can be wrong gives the error box naming the file, with
// the failure's number, and no interface; a right one gives the interface and no box.
TEST_F(ControlLibraries, LoaderFindsTheLibraryOnlyThroughAValidRegistration) {
    const std::string good = dir() + VMCOMCTL_FILE_NAME;
    Place(ExeFolder() + VMCOMCTL_FILE_NAME, good);
    Place(ExeFolder() + VMCOMCTL_FILE_NAME, dir() + "OTHER.OCX");
    ASSERT_TRUE(CreateDirectoryA((dir() + "text").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(dir() + "text\\" VMCOMCTL_FILE_NAME, "no library"));
    const std::string otherVersion =
        ExeFolder() + "ocx-fixtures\\other-version\\" VMCOMCTL_FILE_NAME;
    const std::string key = ServerKey(VMCOMCTL_CLSID);

    struct Case {
        const char* name;
        std::string path;    // the registered path; empty: no registration
        std::int32_t number; // the box's error number; 0: loaded, no box
    };
    const Case cases[] = {
        {"unregistered", "", static_cast<std::int32_t>(REGDB_E_CLASSNOTREG)},
        {"the file is missing", dir() + "missing\\" VMCOMCTL_FILE_NAME, ERROR_MOD_NOT_FOUND},
        {"a relative path", VMCOMCTL_FILE_NAME, ERROR_BAD_PATHNAME},
        {"a path relative to the drive", good.substr(2), ERROR_BAD_PATHNAME},
        {"another file name", dir() + "OTHER.OCX", ERROR_BAD_PATHNAME},
        {"a step up", dir() + "text\\..\\" VMCOMCTL_FILE_NAME, ERROR_BAD_PATHNAME},
        {"forward slashes", good.substr(0, 3) + "x/../" + good.substr(3), ERROR_BAD_PATHNAME},
        {"a network path", "\\\\127.0.0.1\\share\\" VMCOMCTL_FILE_NAME, ERROR_BAD_PATHNAME},
        {"no library", dir() + "text\\" VMCOMCTL_FILE_NAME, ERROR_BAD_EXE_FORMAT},
        {"another interface version", otherVersion, ERROR_REVISION_MISMATCH},
        {"the name in other case", dir() + "vmcomctl.ocx", 0},
        {"valid", good, 0},
    };
    for (const Case& c : cases) {
        DeleteTree(HKEY_LOCAL_MACHINE, ClassKey(VMCOMCTL_CLSID), kView);
        if (!c.path.empty()) {
            ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, key, "", c.path, kView));
        }
        const VmComCtl* table = nullptr;
        std::vector<ShownBox> boxes =
            BoxesShownBy([&] { table = ocx::LoadControlLibrary<VmComCtl>(kCommonControls); });
        if (c.number == 0) {
            EXPECT_TRUE(boxes.empty()) << c.name;
            ASSERT_NE(table, nullptr) << c.name;
            EXPECT_EQ(table->version, VMCOMCTL_VERSION);
            continue;
        }
        EXPECT_EQ(table, nullptr) << c.name;
        ASSERT_EQ(boxes.size(), 1u) << c.name;
        EXPECT_EQ(boxes[0].title, "Error");
        const std::string text = "Could not load control library: " VMCOMCTL_FILE_NAME "\r\n[" +
                                 std::to_string(c.number) + "] ";
        EXPECT_EQ(boxes[0].text.substr(0, text.size()), text) << c.name;
    }
    DeleteTree(HKEY_LOCAL_MACHINE, ClassKey(VMCOMCTL_CLSID), kView);
}

TEST_F(ControlLibraries, RegistryValuesThatAreNoPathCountAsNoRegistration) {
    const std::string key = ServerKey(MSINETVM_CLSID);
    const std::string path = ExeFolder() + MSINETVM_FILE_NAME;
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        std::int32_t number;
    };
    const Case cases[] = {
        {"a number", REG_DWORD, std::string(4, '\1'),
         static_cast<std::int32_t>(REGDB_E_CLASSNOTREG)},
        {"a path to expand", REG_EXPAND_SZ, path + '\0',
         static_cast<std::int32_t>(REGDB_E_CLASSNOTREG)},
        {"empty", REG_SZ, std::string(), ERROR_BAD_PATHNAME},
        {"a zero inside", REG_SZ, path.substr(0, 3) + '\0' + path.substr(3), ERROR_BAD_PATHNAME},
        {"no final zero", REG_SZ, path, 0},
    };
    for (const Case& c : cases) {
        DeleteTree(HKEY_LOCAL_MACHINE, ClassKey(MSINETVM_CLSID), kView);
        HKEY server = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | kView, nullptr, &server, nullptr),
                  ERROR_SUCCESS);
        // Written as wide text, as the registry keeps it.
        std::wstring wide(c.bytes.begin(), c.bytes.end());
        const BYTE* data = reinterpret_cast<const BYTE*>(wide.data());
        DWORD size = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
        if (c.type == REG_DWORD) {
            data = reinterpret_cast<const BYTE*>(c.bytes.data());
            size = static_cast<DWORD>(c.bytes.size());
        }
        ASSERT_EQ(RegSetValueExW(server, nullptr, 0, c.type, data, size), ERROR_SUCCESS);
        RegCloseKey(server);

        const MsInetVm* table = nullptr;
        std::vector<ShownBox> boxes =
            BoxesShownBy([&] { table = ocx::LoadControlLibrary<MsInetVm>(kInternetTransfer); });
        if (c.number == 0) {
            EXPECT_NE(table, nullptr) << c.name;
            EXPECT_TRUE(boxes.empty()) << c.name;
            continue;
        }
        EXPECT_EQ(table, nullptr) << c.name;
        ASSERT_EQ(boxes.size(), 1u) << c.name;
        const std::string text = "Could not load control library: " MSINETVM_FILE_NAME "\r\n[" +
                                 std::to_string(c.number) + "] ";
        EXPECT_EQ(boxes[0].text.substr(0, text.size()), text) << c.name;
    }
    DeleteTree(HKEY_LOCAL_MACHINE, ClassKey(MSINETVM_CLSID), kView);
}

// The start-up's step: each library written from the setup program's resources into the system
// folder and registered there, and then found and loaded from there.
TEST_F(ControlLibraries, InstallSystemOcxWritesAndRegistersBoth) {
    for (const Library& library : kLibraries) {
        const std::string path = SystemFolder() + library.file;
        fso::DeleteFile(path, true);
        std::vector<ShownBox> boxes =
            BoxesShownBy([&] { EXPECT_TRUE(InstallSystemOcx(library.file)); });
        EXPECT_TRUE(boxes.empty()) << library.file;
        EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(ExeFolder() + library.file)) << library.file;
        std::vector<RegistryValue> values =
            ReadValues(HKEY_LOCAL_MACHINE, ServerKey(library.clsid), kView);
        ASSERT_FALSE(values.empty()) << library.file;
        EXPECT_EQ(values[0].data, path);
    }
    std::vector<ShownBox> boxes = BoxesShownBy([&] {
        ASSERT_NE(ocx::CommonControls(), nullptr);
        ASSERT_NE(ocx::InternetTransfer(), nullptr);
    });
    EXPECT_TRUE(boxes.empty());
    HMODULE loaded = GetModuleHandleA((SystemFolder() + VMCOMCTL_FILE_NAME).c_str());
    EXPECT_NE(loaded, nullptr) << "loaded from the system folder";

    for (const Library& library : kLibraries) {
        EXPECT_EQ(Regsvr32("/U /S", SystemFolder() + library.file), 0);
    }
}

} // namespace
