// The setup configuration, the program's resources, the error box and the WOW64 test.
#include "config.h"
#include "errorbox.h"
#include "language.h"
#include "resources.h"
#include "system.h"

#include "support.h"

#include <gtest/gtest.h>

using namespace instalio;
using namespace instalio::test;

namespace {

class Configuration : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineState(); }
    void TearDown() override { ResetEngineState(); }
};

// The lines of a resource text, each followed by CR LF.
std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

#ifdef INSTALIO_SHIPPED_CONFIGURATION
TEST_F(Configuration, ShippedResourceHoldsTheTwentyTwoLines) {
    const std::string expected = Lines({
        "Title_es=Tavrin Lite EU",
        "Title_en=Tavrin Lite EU",
        "Title_pt=Tavrin Lite EU",
        "Title_it=Tavrin Lite EU",
        "Title_fr=Tavrin Lite EU",
        "Title_es-mx=Tavrin Lite EU",
        "Title_ca=Tavrin Lite EU",
        "Title_nl=Tavrin Lite EU",
        "Name=Tavrin Lite",
        "Product=Vessmark .NET",
        "Executable=TavrinLite.exe",
        "NameCab1=tavrinlite_devices.cab",
        "NameCab2=tavrinlite_shared.cab",
        "NameCab3=tavrinlite_program.cab",
        "Version=1.6",
        "VersionCab1=20160524134210",
        "VersionCab2=20111102091737",
        "VersionCab3=20160902124320",
        "ShortcutPrograms=TavrinLite.exe,Tavrin Lite EU",
        "ShortcutPrograms=TavrinLiteAdmin.exe,Tavrin Lite EU Administration",
        "ShortcutDesktop=TavrinLite.exe,Tavrin Lite EU",
        "ShortcutQuickLaunch=TavrinLite.exe,Tavrin Lite EU",
    });
    std::string bytes;
    ASSERT_EQ(ReadResource("CONFIGURACION", "ARCHIVOS", bytes), 0u);
    EXPECT_EQ(bytes, expected);
}

TEST_F(Configuration, LoadsTheShippedConfiguration) {
    CurrentLanguage = "es";
    ASSERT_TRUE(LoadConfiguration());
    const SetupConfiguration& c = SetupConfig;
    EXPECT_EQ(c.Name, "Tavrin Lite");
    EXPECT_EQ(c.Product, "Vessmark .NET");
    EXPECT_EQ(c.Executable, "TavrinLite.exe");
    EXPECT_EQ(c.Version, "1.6");
    EXPECT_EQ(c.VersionCab1, 20160524134210.0);
    EXPECT_EQ(c.VersionCab2, 20111102091737.0);
    EXPECT_EQ(c.VersionCab3, 20160902124320.0);
    EXPECT_EQ(c.NameCab3, "tavrinlite_program.cab");
    ASSERT_EQ(c.ShortcutPrograms.UBound(), 2);
    EXPECT_EQ(c.ShortcutPrograms[0].Target, "");
    EXPECT_EQ(c.ShortcutPrograms[0].LinkCaption, "");
    EXPECT_EQ(c.ShortcutPrograms[1].Target, "TavrinLite.exe");
    EXPECT_EQ(c.ShortcutPrograms[1].LinkCaption, "Tavrin Lite EU");
    EXPECT_EQ(c.ShortcutPrograms[2].Target, "TavrinLiteAdmin.exe");
    EXPECT_EQ(c.ShortcutDesktop.UBound(), 1);
    EXPECT_EQ(c.ShortcutQuickLaunch.UBound(), 1);
    EXPECT_EQ(c.Services.UBound(), 0);
    EXPECT_EQ(CurrentTitle, "Tavrin Lite EU");
    EXPECT_EQ(CurrentLanguage, "ES") << "the language code is upper-cased in place";

    std::string title = "unchanged";
    for (int number = 1; number <= 8; ++number) {
        ASSERT_TRUE(Titles.Get(number, title));
        EXPECT_EQ(title, "Tavrin Lite EU") << number;
    }
    ASSERT_TRUE(Titles.Get(9, title));
    EXPECT_EQ(title, "") << "there is no Title_hr";

    // Croatian, having no title line, gets an empty title.
    CurrentLanguage = "HR";
    ASSERT_TRUE(LoadConfiguration());
    EXPECT_EQ(CurrentTitle, "");
}
#endif

TEST_F(Configuration, TitlesOutsideZeroToTwentyAreAnError) {
    std::string title = "kept";
    EXPECT_TRUE(Titles.Get(0, title));
    EXPECT_EQ(title, "");
    title = "kept";
    EXPECT_TRUE(Titles.Get(20, title));
    for (int index : {-1, 21, 32767}) {
        title = "kept";
        EXPECT_FALSE(Titles.Get(index, title)) << index;
        EXPECT_EQ(title, "kept");
        EXPECT_FALSE(Titles.Set(index, "x")) << index;
    }
}

struct ParseCase {
    const char* what;
    std::string bytes;
    bool loads;
    std::string name;    // Name afterwards
    int programs;        // ShortcutPrograms upper bound afterwards
    std::string caption; // caption of the last ShortcutPrograms entry
};

TEST_F(Configuration, ReadsLinesByTheByteWalk) {
    const ParseCase cases[] = {
        {"plain", Lines({"Name=App"}), true, "App", 0, ""},
        {"key in capitals", Lines({"NAME=App"}), true, "App", 0, ""},
        {"key in mixed case", Lines({"nAmE=App"}), true, "App", 0, ""},
        {"blank before = makes an unknown key", Lines({"Name =App"}), true, "", 0, ""},
        {"blank after = belongs to the value", Lines({"Name= App "}), true, " App ", 0, ""},
        {"value holding =", Lines({"Name=a=b"}), true, "a=b", 0, ""},
        {"empty value", Lines({"Name=X", "Name="}), true, "", 0, ""},
        {"later value replaces", Lines({"Name=A", "name=B"}), true, "B", 0, ""},
        {"unknown key ignored", Lines({"Colour=red", "Name=A"}), true, "A", 0, ""},
        {"blank line fails", Lines({"Name=A", "", "Product=P"}), false, "A", 0, ""},
        {"line without = fails", Lines({"Name=A", "Product"}), false, "A", 0, ""},
        {"blank first line fails", Lines({"", "Name=A"}), false, "", 0, ""},
        {"text after the last CR LF is ignored", Lines({"Name=A"}) + "Nonsense", true, "A", 0, ""},
        {"last line without CR LF is lost", "Name=A\r\nProduct=B", true, "A", 0, ""},
        {"only a last line: nothing parsed", "Name=A", true, "", 0, ""},
        {"the byte after a CR is skipped", "Name=A\rXName=B\r\n", true, "B", 0, ""},
        {"a lone LF stays in the text", Lines({"Name=A\nB"}), true, "A\nB", 0, ""},
        {"the last byte is never examined", "Name=A\r", true, "", 0, ""},
        {"empty resource", "", true, "", 0, ""},
        {"two commas split at the first",
         Lines({"ShortcutPrograms=a.exe,Cap, tion", "ShortcutPrograms=b.exe,B"}), true, "", 2, "B"},
        {"caption keeps the second comma", Lines({"ShortcutPrograms=a.exe,Cap, tion"}), true, "", 1,
         "Cap, tion"},
        {"shortcut without comma fails (after growing)",
         Lines({"Name=A", "ShortcutPrograms=a.exe"}), false, "A", 1, ""},
        {"service without comma fails", Lines({"Service=svc"}), false, "", 0, ""},
        {"stamp with letters fails", Lines({"Name=A", "VersionCab1=2016abc"}), false, "A", 0, ""},
        {"empty stamp fails", Lines({"VersionCab2="}), false, "", 0, ""},
        {"stamp with blanks around it", Lines({"VersionCab3= 20160902124320 "}), true, "", 0, ""},
    };
    for (const ParseCase& c : cases) {
        ResetEngineState();
        EXPECT_EQ(ParseConfiguration(c.bytes), c.loads) << c.what;
        EXPECT_EQ(SetupConfig.Name, c.name) << c.what;
        ASSERT_EQ(SetupConfig.ShortcutPrograms.UBound(), c.programs) << c.what;
        EXPECT_EQ(SetupConfig.ShortcutPrograms[c.programs].LinkCaption, c.caption) << c.what;
    }
}

TEST_F(Configuration, SizeLimitIs32767Bytes) {
    // One line padded to exactly 32,767 bytes, final CR LF included.
    std::string line = "Name=" + std::string(32767 - 7, 'n') + "\r\n";
    ASSERT_EQ(line.size(), 32767u);
    EXPECT_TRUE(ParseConfiguration(line));
    EXPECT_EQ(SetupConfig.Name.size(), 32767u - 7);

    ResetEngineState();
    std::string longer = "Name=" + std::string(32768 - 7, 'n') + "\r\n";
    EXPECT_FALSE(ParseConfiguration(longer));
    EXPECT_EQ(SetupConfig.Name, "") << "nothing is read from an over-long resource";
}

TEST_F(Configuration, StampsAndListsAsStored) {
    ASSERT_TRUE(ParseConfiguration(Lines({
        "VersionCab1=20160524134210",
        "VersionCab2=99991231235959",
        "Service=Svc One,bin\\svc one.exe",
        "Service=Two,two.exe,extra",
        "ShortcutDesktop=a.exe,",
        "Title_HR=Naslov",
        "Title_xx=ignored",
    })));
    EXPECT_EQ(SetupConfig.VersionCab1, 20160524134210.0);
    EXPECT_EQ(SetupConfig.VersionCab2, 99991231235959.0) << "every 14-digit stamp is exact";
    ASSERT_EQ(SetupConfig.Services.UBound(), 2);
    EXPECT_EQ(SetupConfig.Services[1].ServiceName, "Svc One");
    EXPECT_EQ(SetupConfig.Services[1].ServiceFile, "bin\\svc one.exe");
    EXPECT_EQ(SetupConfig.Services[2].ServiceFile, "two.exe,extra");
    EXPECT_EQ(SetupConfig.ShortcutDesktop[1].LinkCaption, "");
    std::string title;
    ASSERT_TRUE(Titles.Get(9, title));
    EXPECT_EQ(title, "Naslov");
    // CurrentLanguage empty: an unknown code counts as English, whose title is empty here.
    EXPECT_EQ(CurrentTitle, "");
}

TEST_F(Configuration, FailureKeepsWhatWasStoredAndListsStartAgain) {
    ASSERT_TRUE(ParseConfiguration(Lines({"Title_en=T", "ShortcutPrograms=a,b", "Service=s,f"})));
    ASSERT_EQ(SetupConfig.ShortcutPrograms.UBound(), 1);

    EXPECT_FALSE(ParseConfiguration(Lines({"Product=P", "VersionCab1=x", "Name=N"})));
    EXPECT_EQ(SetupConfig.Product, "P") << "stored before the failure";
    EXPECT_EQ(SetupConfig.Name, "") << "after the failure nothing more is read";
    EXPECT_EQ(SetupConfig.ShortcutPrograms.UBound(), 0) << "lists are reset by every load";
    EXPECT_EQ(SetupConfig.Services.UBound(), 0);
    std::string title;
    ASSERT_TRUE(Titles.Get(1, title));
    EXPECT_EQ(title, "T") << "titles are not reset";
}

TEST_F(Configuration, SaveResourceReplacesALongerFile) {
    ScratchFolder folder;
    const std::string file = folder.path() + "config.bin";
    ASSERT_TRUE(WriteFileBytes(file, std::string(100000, 'z')));
    std::string resource;
    ASSERT_EQ(ReadResource("EN", "LANGUAGES", resource), 0u);

    std::vector<ShownBox> boxes =
        BoxesShownBy([&] { EXPECT_TRUE(SaveResource("EN", "LANGUAGES", file)); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadFileBytes(file), resource);

    // A new file, and the same resource once more over it.
    const std::string fresh = folder.path() + "fresh.bin";
    EXPECT_TRUE(SaveResource("CONFIGURACION", "ARCHIVOS", fresh));
    std::string config;
    ASSERT_EQ(ReadResource("CONFIGURACION", "ARCHIVOS", config), 0u);
    EXPECT_EQ(ReadFileBytes(fresh), config);
}

TEST_F(Configuration, SaveResourceFailuresShowTheBox) {
    ScratchFolder folder;
    const std::string missingFolder = folder.path() + "no such folder\\out.bin";
    const std::string readOnly = folder.path() + "readonly.bin";
    ASSERT_TRUE(WriteFileBytes(readOnly, "old"));
    ASSERT_TRUE(SetReadOnly(readOnly, true));

    struct Case {
        std::string name, type, file;
    };
    const Case cases[] = {
        {"EN", "LANGUAGES", missingFolder},
        {"EN", "LANGUAGES", readOnly},
        {"NOTTHERE", "ARCHIVOS", folder.path() + "never.bin"},
    };
    for (const Case& c : cases) {
        bool saved = true;
        std::vector<ShownBox> boxes =
            BoxesShownBy([&] { saved = SaveResource(c.name, c.type, c.file); });
        EXPECT_FALSE(saved) << c.file;
        ASSERT_EQ(boxes.size(), 1u) << c.file;
        EXPECT_EQ(boxes[0].text.substr(0, boxes[0].text.find("\r\n")),
                  "Could not save resource file: " + c.file);
    }
    EXPECT_EQ(ReadFileBytes(readOnly), "old");
    EXPECT_EQ(ReadFileBytes(folder.path() + "never.bin"), "<missing>")
        << "a missing resource creates no file";
    SetReadOnly(readOnly, false);
}

TEST_F(Configuration, ShowErrorBoxHasTitleIconAndTwoLines) {
    std::vector<ShownBox> boxes =
        BoxesShownBy([] { ShowError("Could not move file: C:\\x.dll", 5, "Access is denied."); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text, "Could not move file: C:\\x.dll\r\n[5] Access is denied.");
    EXPECT_EQ(boxes[0].buttons, 1);
    EXPECT_TRUE(boxes[0].okButton);
    EXPECT_TRUE(boxes[0].errorIcon);

    boxes = BoxesShownBy([] { ShowError("", -2147024891, ""); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "\r\n[-2147024891] ");
}

TEST_F(Configuration, ShowSystemErrorUsesThePlatformText) {
    std::vector<ShownBox> boxes =
        BoxesShownBy([] { ShowSystemError("Message", ERROR_FILE_NOT_FOUND); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Message\r\n[2] " + ErrorDescription(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(ErrorDescription(ERROR_FILE_NOT_FOUND), "Unknown error");
    EXPECT_EQ(ErrorDescription(ERROR_FILE_NOT_FOUND).find('\n'), std::string::npos);
    EXPECT_EQ(ErrorDescription(0xDEADBEEF), "Unknown error");
}

TEST_F(Configuration, ShowErrorIsSilentWhileInstalling) {
    InstallingFlag = true;
    std::vector<ShownBox> boxes = BoxesShownBy([] {
        ShowError("one", 1, "first");
        ShowSystemError("two", ERROR_ACCESS_DENIED);
        EXPECT_FALSE(SaveResource("NOTTHERE", "ARCHIVOS", "C:\\never.bin"));
    });
    EXPECT_TRUE(boxes.empty());
}

// Stand-ins for IsWow64Process and its lookup.
BOOL WINAPI ReportsWow64(HANDLE, PBOOL wow64) {
    *wow64 = TRUE;
    return TRUE;
}
BOOL WINAPI ReportsNative(HANDLE, PBOOL wow64) {
    *wow64 = FALSE;
    return TRUE;
}
BOOL WINAPI Fails(HANDLE, PBOOL wow64) {
    *wow64 = TRUE;
    return FALSE;
}
template <BOOL(WINAPI* Entry)(HANDLE, PBOOL)> FARPROC Lookup(const char*, const char* name) {
    return std::string(name) == "IsWow64Process"
               ? reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(Entry))
               : nullptr;
}
FARPROC Missing(const char*, const char*) {
    return nullptr;
}

TEST_F(Configuration, Is32BitWindowsAsksIsWow64Process) {
    EXPECT_TRUE(Is32BitWindows()) << "a 64-bit process is not under WOW64";
    System.ModuleEntry = Lookup<ReportsWow64>;
    EXPECT_FALSE(Is32BitWindows());
    System.ModuleEntry = Lookup<ReportsNative>;
    EXPECT_TRUE(Is32BitWindows());
    System.ModuleEntry = Lookup<Fails>;
    EXPECT_TRUE(Is32BitWindows()) << "a failed call counts as not WOW64";
    System.ModuleEntry = Missing;
    EXPECT_TRUE(Is32BitWindows()) << "a system without the entry is not WOW64";
}

} // namespace
