// The installation sequence: its file-name rules and texts, and whole runs of InstallProduct in
// a stand-in setup program, checked afterwards from outside that program in the file system,
// the registry and the service manager of the Wine prefix.
#include "config.h"
#include "files.h"
#include "filesystem.h"
#include "folders.h"
#include "install.h"
#include "language.h"
#include "owners.h"
#include "registry.h"
#include "text.h"

#include "fixture_support.h"
#include "links.h"
#include "recording_surface.h"
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace instalio;
using namespace instalio::test;

namespace {

// --- The file-name rules, on a scratch folder standing for the system folder ---------------

class FileNameRules : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineState();
        ASSERT_TRUE(CreateDirectory(cabinet));
        ASSERT_TRUE(CreateDirectory(system + "drivers\\"));
    }
    void TearDown() override { ResetEngineState(); }
    ScratchFolder scratch;
    const std::string cabinet = scratch.path() + "extract\\";
    const std::string system = scratch.path() + "system\\";
};

TEST_F(FileNameRules, EachFileGoesWhereItsExtensionSays) {
    struct Case {
        const char* file;
        const char* destination; // below the system folder
        bool registered;
    };
    const Case cases[] = {
        {"X.OCX", "X.OCX", true}, // extensions compare lower-cased
        {"lib.dll", "lib.dll", true},
        {"a.dll_", "a.dll", false},
        {"c.OCX_", "c.OCX", false},
        {"t.tlb_", "t.tlb", false},
        {"o.olb_", "o.olb", false},
        {"b.sys", "drivers\\b.sys", false},
        {"NOEXT", "NOEXT", false},
        {"readme.txt", "readme.txt", false},
        {"plain.exe_", "plain.exe_", false}, // only the four "_" extensions are renamed
    };
    for (int number : {101, 102}) {
        for (const Case& c : cases) {
            ASSERT_TRUE(WriteFileBytes(cabinet + c.file, c.file));
            std::vector<std::string> registration = {"earlier"};
            PlaceCabinetFile(cabinet, c.file, number, system, registration);
            EXPECT_FALSE(fso::FileExists(cabinet + c.file)) << c.file;
            EXPECT_EQ(ReadFileBytes(system + c.destination), c.file) << number << " " << c.file;
            std::vector<std::string> expected = {"earlier"};
            if (c.registered) {
                expected.emplace_back(c.file);
            }
            EXPECT_EQ(registration, expected) << number << " " << c.file;
            fso::DeleteFile(system + c.destination, true);
        }
    }
}

TEST_F(FileNameRules, LibrariesOfCabinet102AreMovedVersionAware) {
    // An installed a.dll of version 10 and a new a.dll_ of version 9: cabinet 101 replaces it,
    // cabinet 102 keeps the installed one and deletes the new one.
    for (int number : {101, 102}) {
        ASSERT_TRUE(CopyFileA(Fixture("fx_v10_0.dll").c_str(), (system + "a.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Fixture("fx_v9_1.dll").c_str(), (cabinet + "a.dll_").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Fixture("fx_v10_0.dll").c_str(), (system + "k.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(Fixture("fx_v9_1.dll").c_str(), (cabinet + "k.dll").c_str(), FALSE));
        std::vector<std::string> registration;
        PlaceCabinetFile(cabinet, "a.dll_", number, system, registration);
        PlaceCabinetFile(cabinet, "k.dll", number, system, registration);
        const char* expected = number == 101 ? "fx_v9_1.dll" : "fx_v10_0.dll";
        EXPECT_EQ(ReadFileBytes(system + "a.dll"), ReadFileBytes(Fixture(expected))) << number;
        EXPECT_EQ(ReadFileBytes(system + "k.dll"), ReadFileBytes(Fixture(expected))) << number;
        EXPECT_FALSE(fso::FileExists(cabinet + "a.dll_"));
        EXPECT_FALSE(fso::FileExists(cabinet + "k.dll"));
        // The kept library is registered all the same.
        EXPECT_EQ(registration, std::vector<std::string>{"k.dll"});
    }
}

TEST(InstallTexts, SettingsLanguageCodeAndInstallDate) {
    const std::pair<const char*, const char*> codes[] = {
        {"0", "en"},    {"1", "es"}, {"2", "pt"}, {"3", "it"}, {"4", "fr"},
        {"5", "es-mx"}, {"6", "ca"}, {"7", "nl"}, {"8", "hr"}, {"9", ""},
        {"-1", ""},     {"05", ""},  {"", ""},    {" 1", ""},
    };
    for (const auto& [index, code] : codes) {
        EXPECT_EQ(SettingsLanguageCode(index), code) << index;
    }
    SYSTEMTIME date = {};
    date.wYear = 2016;
    date.wMonth = 3;
    date.wDay = 5;
    EXPECT_EQ(InstallDateText(date), "20160305");
    date.wMonth = 12;
    date.wDay = 31;
    EXPECT_EQ(InstallDateText(date), "20161231");
}

// --- Whole installations ----------------------------------------------------------------------

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

std::vector<std::string> SplitLog(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::ptrdiff_t Count(const std::vector<std::string>& log, const std::string& line) {
    return std::count(log.begin(), log.end(), line);
}

std::string Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return InstallDateText(now);
}

// One run of the stand-in setup program, in a folder of its own with the side files beside it,
// with a work folder of its own (its temporary folder), for a target below Program Files.
class Installation : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineState();
        ASSERT_TRUE(LoadLanguage("EN"));
        for (const std::string& folder : {setup, temp, work}) {
            ASSERT_TRUE(CreateDirectory(folder));
        }
        ASSERT_TRUE(
            CopyFileA(Fixture("setup_stub.exe").c_str(), (setup + "setup.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(setup + "data.ini", "data beside the setup program"));
        fso::DeleteFolder(target.substr(0, target.size() - 1), true);
        fso::DeleteFolder(settings.substr(0, settings.size() - 1), true);
        DeleteTree(HKEY_LOCAL_MACHINE, uninstallKey, KEY_WOW64_32KEY);
    }
    void TearDown() override {
        for (const std::string& service : services) {
            RemoveService(service);
        }
        for (const std::string& file : systemFiles) {
            fso::DeleteFile(system + file, true);
            ForgetRegistration(system + file);
        }
        fso::DeleteFolder(target.substr(0, target.size() - 1), true);
        fso::DeleteFolder(settings.substr(0, settings.size() - 1), true);
        DeleteTree(HKEY_LOCAL_MACHINE, uninstallKey, KEY_WOW64_32KEY);
        ResetEngineState();
    }

    // Runs the setup program with the configuration lines `config` and the language index;
    // returns its exit code and reads its display log.
    int Run(const std::vector<std::string>& config, const std::string& language,
            const std::string& fix = "") {
        EXPECT_TRUE(WriteFileBytes(setup + "config.txt", Lines(config)));
        // The work folder is the temporary folder's: this run gets a temporary folder of its own.
        char savedTmp[MAX_PATH] = {};
        char savedTemp[MAX_PATH] = {};
        GetEnvironmentVariableA("TMP", savedTmp, sizeof savedTmp);
        GetEnvironmentVariableA("TEMP", savedTemp, sizeof savedTemp);
        SetEnvironmentVariableA("TMP", temp.c_str());
        SetEnvironmentVariableA("TEMP", temp.c_str());
        std::string command = "\"" + setup + "setup.exe\" \"" + setup + "config.txt\" \"" +
                              target.substr(0, target.size() - 1) + "\" " + language;
        if (!fix.empty()) {
            command += " \"" + fix + "\"";
        }
        int code = RunProgram(command, setup, 120000);
        SetEnvironmentVariableA("TMP", savedTmp);
        SetEnvironmentVariableA("TEMP", savedTemp);
        log = SplitLog(ReadFileBytes(setup + "log.txt"));
        return code;
    }

    std::vector<std::string> Configuration() const {
        return {"Name=" + name, "Executable=InstalioFxApp.exe", "Version=2.5"};
    }

    void PutCabinet(const char* fixture, const char* cabinet) {
        ASSERT_TRUE(CopyFileA(Fixture(fixture).c_str(), (work + cabinet).c_str(), FALSE));
    }

    // The seven values, in the order they are written (compared by name).
    std::vector<RegistryValue> UninstallEntry(const std::string& language) const {
        std::vector<RegistryValue> values = {
            {"DisplayName", REG_SZ, name},
            {"DisplayIcon", REG_SZ, "InstalioFxApp.exe"},
            {"Publisher", REG_SZ, "Ostrevant"},
            {"DisplayVersion", REG_SZ, "2.5"},
            {"InstallDate", REG_SZ, Today()},
            {"UninstallString", REG_SZ,
             system + "OstrevantUninstall.exe '" + name + "' '" +
                 target.substr(0, target.size() - 1) + "'"},
            {"Language", REG_SZ, language},
        };
        std::sort(values.begin(), values.end());
        return values;
    }

    ScratchFolder scratch;
    const std::string pid = std::to_string(GetCurrentProcessId());
    const std::string name = "Instalio Fx " + pid + " " +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string setup = scratch.path() + "setup folder\\";
    const std::string temp = scratch.path() + "temp\\";
    const std::string work = temp + "Ostrevant\\";
    const std::string system = SystemFolder();
    const std::string target = ProgramFilesFolder() + name + "\\";
    const std::string settings = AppDataFolder() + name + "\\";
    const std::string uninstallKey = std::string(kUninstallKey) + name;
    std::vector<std::string> log;
    std::vector<std::string> services;    // removed at the end
    std::vector<std::string> systemFiles; // below the system folder, deleted at the end
};

// A seeded sibling product: its folder with data files, its shortcuts and its uninstall entry.
struct SeededSibling {
    explicit SeededSibling(const std::string& folder) : folder(folder) {
        fso::DeleteFolder(programs, true);
        CreateDirectory(folder + "\\");
        WriteFileBytes(folder + "\\DATA.MDB", "sibling data");
        WriteFileBytes(folder + "\\Setup.INI", "sibling setup");
        WriteFileBytes(folder + "\\notes.txt", "sibling notes");
        CreateDirectory(programs + "\\");
        WriteFileBytes(programs + "\\Vessmark .Net.lnk", "link");
        WriteFileBytes(desktop, "link");
        WriteText(HKEY_LOCAL_MACHINE, key, "UninstallString",
                  "C:\\windows\\system32\\OstrevantUninstall.exe 'Vessmark .Net' '" + folder + "'",
                  KEY_WOW64_32KEY);
    }
    ~SeededSibling() {
        fso::DeleteFolder(programs, true);
        fso::DeleteFile(desktop, true);
        DeleteTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY);
    }
    const std::string folder;
    const std::string key = std::string(kUninstallKey) + "Vessmark .Net";
    const std::string programs = SpecialFolder(Csidl::CommonPrograms) + "Vessmark .Net";
    const std::string desktop = SpecialFolder(Csidl::DesktopDirectory) + "Vessmark .Net.lnk";
};

// What cabinets 101 and 102 of the fixtures put into the system folder.
const char* const kSystemFiles[] = {
    "InstalioCab.OCX", "instalio_fx_a.dll",      "drivers\\instalio_fx.sys", "instalio_fx_noext",
    "instalio_fx.txt", "instalio_fx_shared.dll", "instalio_fx_kept.dll",     "instalio_fx_b.dll",
};

TEST_F(Installation, ACompleteRun) {
    // Cabinets in the work folder, an older installed copy of a library of cabinet 102, settings
    // files with other content, a sibling product, two services, and programs named as the
    // system tools beside the setup program.
    PutCabinet("fx101.cab", "101.cab");
    PutCabinet("fx102.cab", "102.cab");
    PutCabinet("fx103.cab", "103.cab");
    ASSERT_TRUE(WriteFileBytes(setup + "fondo.jpg", std::string("\xFF\xD8\xFF\0jpeg", 8)));
    systemFiles.assign(std::begin(kSystemFiles), std::end(kSystemFiles));
    for (const std::string& file : systemFiles) {
        fso::DeleteFile(system + file, true);
        ForgetRegistration(system + file);
    }
    ASSERT_TRUE(CopyFileA(Fixture("fx_v10_0.dll").c_str(),
                          (system + "instalio_fx_kept.dll").c_str(), FALSE));
    ASSERT_TRUE(CreateDirectory(settings));
    ASSERT_TRUE(WriteFileBytes(settings + "UserSettings.ini", "[Other]\r\nsomething longer\r\n"));
    ASSERT_TRUE(CreateDirectory(target));
    ASSERT_TRUE(WriteFileBytes(target + "Setup.INI", "ours"));
    SeededSibling sibling(scratch.path() + "Vessmark folder");
    services = {"InstalioFx" + pid + "a", "InstalioFx" + pid + "b"};
    std::vector<std::string> config = Configuration();
    for (const std::string& service : services) {
        RemoveService(service);
        config.push_back("service=" + service + ",svc\\fx_service.exe");
    }

    for (const char* tool : {"regsvr32.exe", "extract32.exe"}) {
        ASSERT_TRUE(CopyFileA(Fixture("fx_decoy.exe").c_str(), (setup + tool).c_str(), FALSE));
    }

    ASSERT_EQ(Run(config, "3"), 0);

    // What the wizard showed: the activity bar and the hint first, each file and registration,
    // then section 7, after which the flag is cleared.
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "DibujarSeccion(6)");
    EXPECT_EQ(log[1], "barInstall.Start(True)");
    EXPECT_EQ(log[2], "lblTooltip.Caption=" + GetText("tooltip_wait"));
    const std::string copy = "lblInstallInfo.Caption=" + GetText("install_library_copy") + ": ";
    const std::string registering =
        "lblInstallInfo.Caption=" + GetText("install_library_register") + ": ";
    for (const char* file : {"InstalioCab.OCX", "instalio_fx_a.dll_", "instalio_fx_shared.dll"}) {
        EXPECT_EQ(Count(log, copy + file), 1) << file;
    }
    EXPECT_EQ(Count(log, registering + "InstalioCab.OCX"), 1);
    EXPECT_EQ(Count(log, registering + "instalio_fx_shared.dll"), 1);
    EXPECT_EQ(Count(log, registering + "instalio_fx_kept.dll"), 1);
    EXPECT_EQ(Count(log, "lblInstallInfo.Caption=" + GetText("install_extract")), 1);
    const std::vector<std::string> end(log.end() - 3, log.end());
    EXPECT_EQ(end, (std::vector<std::string>{"barInstall.Start(False)", "DibujarSeccion(7)",
                                             "InstallingFlag=False"}));

    // The system tools were run from the system folder, not from beside the setup program.
    EXPECT_FALSE(fso::FileExists(setup + "regsvr32.exe.ran"));
    EXPECT_FALSE(fso::FileExists(setup + "extract32.exe.ran"));

    // The extraction tool stays in the system folder; the work folder is empty of cabinets and
    // the scratch folder is gone.
    EXPECT_EQ(ReadFileBytes(system + "extract32.exe"), ReadFileBytes(Fixture("..\\extract32.exe")));
    EXPECT_TRUE(fso::FolderExists(work));
    for (const char* cabinet : {"101.cab", "102.cab", "103.cab"}) {
        EXPECT_FALSE(fso::FileExists(work + cabinet)) << cabinet;
    }
    EXPECT_FALSE(fso::FolderExists(work + "extract"));

    // The libraries and drivers of cabinets 101 and 102, each library registered once, the
    // installed newer copy kept and registered, the renamed ones not registered.
    for (const char* file : kSystemFiles) {
        EXPECT_TRUE(fso::FileExists(system + file)) << file;
    }
    EXPECT_FALSE(fso::FileExists(system + "instalio_fx_a.dll_"));
    EXPECT_FALSE(fso::FileExists(system + "instalio_fx_nested.dll")) << "from a sub-folder";
    EXPECT_EQ(ReadFileBytes(system + "instalio_fx_kept.dll"),
              ReadFileBytes(Fixture("fx_v10_0.dll")));
    EXPECT_EQ(ReadFileBytes(system + "instalio_fx_b.dll"), ReadFileBytes(Fixture("fx_v10_0.dll")));
    EXPECT_EQ(RegistrationOf(system + "InstalioCab.OCX"), "UR");
    EXPECT_EQ(RegistrationOf(system + "instalio_fx_shared.dll"), "UR");
    EXPECT_EQ(RegistrationOf(system + "instalio_fx_kept.dll"), "UR");
    EXPECT_EQ(RegistrationOf(system + "instalio_fx_a.dll"), "");
    EXPECT_EQ(RegistrationOf(system + "instalio_fx_b.dll"), "");

    // The application with its sub-folders, the side files over the cabinet's, the settings
    // files byte for byte (language 3: Italiano), the sibling's data files.
    EXPECT_EQ(ReadFileBytes(target + "InstalioFxApp.exe"), "fixture app\r\n");
    EXPECT_EQ(ReadFileBytes(target + "Help\\readme.txt"), "fixture readme\r\n");
    EXPECT_TRUE(fso::FileExists(target + "svc\\fx_service.exe"));
    EXPECT_FALSE(fso::FileExists(target + "103.cab"));
    EXPECT_EQ(ReadFileBytes(target + "data.ini"), "data beside the setup program");
    EXPECT_EQ(ReadFileBytes(target + "fondo.jpg"), std::string("\xFF\xD8\xFF\0jpeg", 8));
    EXPECT_EQ(ReadFileBytes(target + "DefaultSettings.ini"), "[Language]\r\nLanguage=it\r\n");
    EXPECT_EQ(ReadFileBytes(settings + "UserSettings.ini"), "[CurrentSettings]\r\nLanguage=it\r\n");
    EXPECT_EQ(ReadFileBytes(target + "DATA.MDB"), "sibling data");
    EXPECT_EQ(ReadFileBytes(target + "Setup.INI"), "sibling setup");
    EXPECT_FALSE(fso::FileExists(target + "notes.txt"));

    // The sibling is gone.
    EXPECT_FALSE(fso::FolderExists(sibling.folder));
    EXPECT_FALSE(fso::FolderExists(sibling.programs));
    EXPECT_FALSE(fso::FileExists(sibling.desktop));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sibling.key, KEY_WOW64_32KEY));

    // The uninstall entry: seven text values, in the 32-bit view only.
    EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE, uninstallKey, KEY_WOW64_32KEY), UninstallEntry("3"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, uninstallKey, KEY_WOW64_64KEY));

    // The services: created with their quoted paths, automatic, and running.
    for (const std::string& service : services) {
        ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        ScopedServiceHandle handle(OpenServiceA(manager.get(), service.c_str(),
                                                SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
        ASSERT_TRUE(handle.valid()) << service;
        std::vector<BYTE> buffer(8192);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
        DWORD needed = 0;
        ASSERT_TRUE(QueryServiceConfigA(handle.get(), config, 8192, &needed));
        EXPECT_EQ(std::string(config->lpBinaryPathName), "\"" + target + "svc\\fx_service.exe\"");
        EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
        SERVICE_STATUS status = {};
        for (int wait = 0; wait < 50 && QueryServiceStatus(handle.get(), &status) &&
                           status.dwCurrentState == SERVICE_START_PENDING;
             ++wait) {
            Sleep(100);
        }
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING)) << service;
    }
}

// A link where the work folder or the scratch folder belongs (another user's process may have
// put it there) is replaced by a real folder before the installation uses it, so nothing is
// moved, extracted or deleted in the folder it points at. Wine cannot remove a link (links.h):
// there the installation leaves the cabinets that would have gone through it alone.
TEST_F(Installation, LinksWhereTheWorkAndScratchFoldersBelongAreNotFollowed) {
    systemFiles.assign(std::begin(kSystemFiles), std::end(kSystemFiles));
    const std::string elsewhere = scratch.path() + "elsewhere\\";
    ASSERT_TRUE(CreateDirectory(elsewhere));
    ASSERT_TRUE(WriteFileBytes(elsewhere + "keep.txt", "kept"));
    ASSERT_TRUE(CopyFileA(Fixture("fx101.cab").c_str(), (elsewhere + "101.cab").c_str(), FALSE));
    const std::string workFolder = work.substr(0, work.size() - 1);
    const std::string scratchFolder = work + "extract";
    auto expectElsewhereUntouched = [&](const char* which) {
        EXPECT_EQ(ReadFileBytes(elsewhere + "keep.txt"), "kept") << which;
        EXPECT_TRUE(ReadFileBytes(elsewhere + "101.cab") == ReadFileBytes(Fixture("fx101.cab")))
            << which;
        EXPECT_EQ(FilesIn(elsewhere).size(), 2u) << which;
        EXPECT_FALSE(fso::FolderExists(elsewhere + "extract")) << which;
    };

    // The work folder.
    ASSERT_TRUE(RemoveDirectoryA(workFolder.c_str()));
    {
        TestLink link(workFolder, elsewhere);
        ASSERT_TRUE(link.made());
        ASSERT_EQ(Run(Configuration(), "0"), 0);
        expectElsewhereUntouched("work folder");
        EXPECT_EQ(log.back(), "InstallingFlag=False");
        EXPECT_NE(IsFolderLink(workFolder), PlatformOpensLinks());
    }
    fso::DeleteFolder(workFolder, true);
    ASSERT_TRUE(CreateDirectory(work));

    // The scratch folder, with cabinets 101 and 103 in the work folder.
    PutCabinet("fx101.cab", "101.cab");
    PutCabinet("fx103.cab", "103.cab");
    TestLink link(scratchFolder, elsewhere);
    ASSERT_TRUE(link.made());
    ASSERT_EQ(Run(Configuration(), "0"), 0);
    expectElsewhereUntouched("scratch folder");
    EXPECT_EQ(log.back(), "InstallingFlag=False");
    EXPECT_EQ(ReadFileBytes(target + "InstalioFxApp.exe"), "fixture app\r\n");
    if (PlatformOpensLinks()) {
        EXPECT_FALSE(fso::FolderExists(scratchFolder));
        EXPECT_TRUE(fso::FileExists(system + "instalio_fx.txt"));
    } else {
        EXPECT_TRUE(IsFolderLink(scratchFolder));
        EXPECT_TRUE(fso::FileExists(work + "101.cab")) << "not moved through the link";
    }
}

// A sibling whose folder holds the running setup program: its data files are taken over and the
// sibling's entry and shortcuts go, but its folder stays with the setup program in it.
TEST_F(Installation, ASiblingFolderHoldingTheSetupProgramIsKept) {
    SeededSibling sibling(setup.substr(0, setup.size() - 1));
    ASSERT_EQ(Run(Configuration(), "0"), 0);
    EXPECT_EQ(log.back(), "InstallingFlag=False");
    EXPECT_TRUE(fso::FileExists(setup + "setup.exe"));
    EXPECT_EQ(ReadFileBytes(setup + "DATA.MDB"), "sibling data");
    EXPECT_EQ(ReadFileBytes(target + "DATA.MDB"), "sibling data");
    EXPECT_FALSE(fso::FileExists(sibling.desktop));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sibling.key, KEY_WOW64_32KEY));
}

// A read-only "fondo.jpg" in the target folder makes the copy of that side file fail (cabinet 103,
// which would replace it, holds none): the sequence ends there and runs once more from the start.
// Cabinet 103 was moved away by the first run, so the second finds none.
TEST_F(Installation, RunsOnceMoreAfterAFailure) {
    PutCabinet("fx103.cab", "103.cab");
    ASSERT_TRUE(WriteFileBytes(setup + "fondo.jpg", "picture beside the setup program"));
    ASSERT_TRUE(CreateDirectory(target));
    ASSERT_TRUE(WriteFileBytes(target + "fondo.jpg", "read-only"));
    ASSERT_TRUE(SetReadOnly(target + "fondo.jpg", true));

    // Still read-only for the second run: its failure is not caught, section 7 is never shown
    // and the flag stays set.
    ASSERT_EQ(Run(Configuration(), "-1"), 3);
    EXPECT_EQ(Count(log, "barInstall.Start(True)"), 2);
    EXPECT_EQ(Count(log, "DibujarSeccion(6)"), 2);
    EXPECT_EQ(Count(log, "DibujarSeccion(7)"), 0);
    EXPECT_EQ(log.back(), "InstallingFlag=True");
    EXPECT_EQ(ReadFileBytes(target + "InstalioFxApp.exe"), "fixture app\r\n");
    EXPECT_EQ(ReadFileBytes(target + "data.ini"), "data beside the setup program");
    EXPECT_EQ(ReadFileBytes(target + "fondo.jpg"), "read-only");
    EXPECT_FALSE(fso::FileExists(work + "103.cab"));
    EXPECT_FALSE(fso::FileExists(target + "DefaultSettings.ini"));
    EXPECT_FALSE(fso::FileExists(settings + "UserSettings.ini"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, uninstallKey, KEY_WOW64_32KEY));

    // Writable again before the second run: it completes. Nothing chosen in the language list
    // (-1) leaves the language empty.
    PutCabinet("fx103.cab", "103.cab");
    ASSERT_EQ(Run(Configuration(), "-1", target + "fondo.jpg"), 0);
    EXPECT_EQ(Count(log, "barInstall.Start(True)"), 2);
    EXPECT_EQ(Count(log, "DibujarSeccion(7)"), 1);
    EXPECT_EQ(log.back(), "InstallingFlag=False");
    EXPECT_FALSE(fso::FileExists(work + "103.cab"));
    EXPECT_EQ(ReadFileBytes(target + "fondo.jpg"), "picture beside the setup program");
    EXPECT_EQ(ReadFileBytes(target + "DefaultSettings.ini"), "[Language]\r\nLanguage=\r\n");
    EXPECT_EQ(ReadFileBytes(settings + "UserSettings.ini"), "[CurrentSettings]\r\nLanguage=\r\n");
    EXPECT_EQ(ReadValues(HKEY_LOCAL_MACHINE, uninstallKey, KEY_WOW64_32KEY), UninstallEntry("-1"));
}

} // namespace
