// The language resources, the language table, text lookup and the wizard's language texts.
#include "config.h"
#include "display.h"
#include "errorbox.h"
#include "language.h"
#include "resources.h"
#include "text.h"

#include "recording_surface.h"
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace instalio;
using namespace instalio::test;

namespace {

class Language : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineState(); }
    void TearDown() override { ResetEngineState(); }
};

// The keys of every language, in file order, with the English texts.
const std::pair<const char*, const char*> kEnglish[] = {
    {"error_old_windows", "This application does not support Windows95/98/Millenium."},
    {"error_framework", "You need Microsoft Framework .NET 3.5 installed to run this application."},
    {"error_privileges", "You need administrator privileges to run this application."},
    {"section_0", "Choose language for the installation:"},
    {"section_1",
     "This application will install [name] on your computer.[line]It's recommended that you close "
     "all other applications before continuing with the installation. This will allow to update "
     "any system related files without rebooting your system."},
    {"section_2",
     "The installer aplication will install [name] in the following folder. To install "
     "in a different folder, click 'Choose path' and select another folder."},
    {"section_6", "The application is installing and registering the required files of [name]."},
    {"section_7", "[name] has been installed on your computer."},
    {"section_8", "This installation was interrupted before [name] was fully installed.[line]To "
                  "complete the setup, you can rerun this installation."},
    {"update_check", "Check for new versions"},
    {"update_search",
     "The installer is checking whether there is a more recent version of [name]."},
    {"update_noconnection",
     "It was impossible to connect with the server for checking the software version."},
    {"update_download", "The installer has found a more recent version of [name], the update files "
                        "are being downloaded."},
    {"update_downloadfile", "Downloading files..."},
    {"update_download_complete", "Update files download complete."},
    {"update_nodownload",
     "The installer has detected that you already have the most recent version "
     "of [name], no update is needed."},
    {"install_library_copy", "Copying library"},
    {"install_library_register", "Registering library"},
    {"install_extract", "Copying programs files"},
    {"create_programs_link", "Add Programs shortcut"},
    {"create_desktop_link", "Add desktop shortcut"},
    {"create_quick_link", "Add quicklaunch shorcut"},
    {"run_application", "Run [name]"},
    {"button_next", "Next"},
    {"button_previus", "Back"},
    {"button_close", "Close"},
    {"button_acept", "Acept"},
    {"button_yes", "Yes"},
    {"button_no", "No"},
    {"button_path", "Choose path"},
    {"button_finish", "Finish"},
    {"close_dialog", "Are you sure you want to quit [name] setup?"},
    {"tooltip_next", "Click 'Next' to continue."},
    {"tooltip_wait", "Please, wait until the installation process is finished."},
    {"tooltip_finish", "Click 'Finish' to exit the installation."},
};

const char* const kCodes[] = {"EN", "ES", "PT", "IT", "FR", "ES-MX", "CA", "NL", "HR"};

TEST_F(Language, EveryResourceHasTheKeysInGroupsWithCrLf) {
    for (const char* code : kCodes) {
        SCOPED_TRACE(code);
        std::string bytes;
        ASSERT_EQ(ReadResource(code, "LANGUAGES", bytes), 0u);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << "the last line ends in CR LF";
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            ASSERT_TRUE(bytes[i] != '\r' || (i + 1 < bytes.size() && bytes[i + 1] == '\n')) << i;
            ASSERT_TRUE(bytes[i] != '\n' || (i > 0 && bytes[i - 1] == '\r')) << i;
            ASSERT_NE(bytes[i], '\0');
        }
        std::vector<std::string> keys;
        std::map<std::string, std::string> values;
        int blanks = 0;
        for (std::size_t start = 0, end; start < bytes.size(); start = end + 2) {
            end = bytes.find("\r\n", start);
            std::string line = bytes.substr(start, end - start);
            if (line.empty()) {
                ++blanks;
                continue;
            }
            std::size_t equals = line.find('=');
            ASSERT_NE(equals, std::string::npos) << line;
            keys.push_back(line.substr(0, equals));
            values[keys.back()] = line.substr(equals + 1);
        }
        EXPECT_EQ(blanks, 7) << "eight groups, a blank line between two";
        ASSERT_EQ(keys.size(), std::size(kEnglish));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(keys[i], kEnglish[i].first);
            const std::string english = kEnglish[i].second;
            const std::string& text = values[keys[i]];
            EXPECT_FALSE(text.empty()) << keys[i];
            EXPECT_EQ(text.find("[name]") != std::string::npos,
                      english.find("[name]") != std::string::npos)
                << keys[i];
            EXPECT_EQ(text.find("[line]") != std::string::npos,
                      english.find("[line]") != std::string::npos)
                << keys[i];
            if (std::string(code) == "EN") {
                EXPECT_EQ(text, english) << keys[i];
            }
        }
        EXPECT_EQ(values.count("tooltip_previus"), 0u);
    }
}

// A file of the source tree as the Wine prefix sees it: on drive Z:, the Unix root.
std::string TreeFile(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

TEST_F(Language, BuiltResourcesAreTheTextFilesByteForByte) {
    const std::pair<const char*, const char*> files[] = {
        {"EN", "en.txt"}, {"ES", "es.txt"}, {"PT", "pt.txt"},
        {"IT", "it.txt"}, {"FR", "fr.txt"}, {"ES-MX", "es-mx.txt"},
        {"CA", "ca.txt"}, {"NL", "nl.txt"}, {"HR", "hr.txt"},
    };
    for (const auto& [code, file] : files) {
        std::string bytes;
        ASSERT_EQ(ReadResource(code, "LANGUAGES", bytes), 0u) << code;
        EXPECT_EQ(bytes, ReadFileBytes(TreeFile(std::string(INSTALIO_RESOURCE_DIR "/") + file)))
            << code;
    }
    std::string config;
    ASSERT_EQ(ReadResource("CONFIGURACION", "ARCHIVOS", config), 0u);
    EXPECT_EQ(config, ReadFileBytes(TreeFile(INSTALIO_CONFIGURATION_FILE)));
}

TEST_F(Language, CodeFromNameLowerCasesTheCallersName) {
    struct Case {
        const char* name;
        const char* code;
        const char* nameAfter;
    };
    const Case cases[] = {
        {"English", "en", "english"},       {"ENG", "en", "eng"},
        {"Spanish", "es", "spanish"},       {"spa", "es", "spa"},
        {"Italian", "it", "italian"},       {"Portuguese", "pt", "portuguese"},
        {"French", "fr", "french"},         {"Mexican", "es-mx", "mexican"},
        {"Catalonian", "ca", "catalonian"}, {"DUTCH", "nl", "dutch"},
        {"Croatian", "hr", "croatian"},     {"Catalan", "en", "catalan"},
        {"German", "en", "german"},         {"", "en", ""},
        {"English ", "en", "english "},     {"\xC9SPA\xD1OL", "en", "\xE9spa\xF1ol"},
    };
    for (const Case& c : cases) {
        std::string variable = c.name;
        EXPECT_EQ(LanguageCodeFromName(variable), c.code) << c.name;
        EXPECT_EQ(variable, c.nameAfter);
    }
}

TEST_F(Language, IndexFromCodeUpperCasesTheCallersCode) {
    struct Case {
        const char* code;
        int number;
        const char* codeAfter;
    };
    const Case cases[] = {
        {"EN", 1, "EN"}, {"es", 2, "ES"},       {"Pt", 3, "PT"},       {"it", 4, "IT"},
        {"fr", 5, "FR"}, {"es-mx", 6, "ES-MX"}, {"Es-Mx", 6, "ES-MX"}, {"ES-MX", 6, "ES-MX"},
        {"ca", 7, "CA"}, {"nl", 8, "NL"},       {"hr", 9, "HR"},       {"", 1, ""},
        {"de", 1, "DE"}, {"esmx", 1, "ESMX"},
    };
    for (const Case& c : cases) {
        std::string variable = c.code;
        EXPECT_EQ(LanguageIndexFromCode(variable), c.number) << c.code;
        EXPECT_EQ(variable, c.codeAfter);
    }
}

TEST_F(Language, CodeFromIndex) {
    const std::pair<int, const char*> cases[] = {
        {1, "EN"}, {2, "ES"}, {3, "PT"}, {4, "IT"}, {5, "FR"},  {6, "ES-MX"},
        {7, "CA"}, {8, "NL"}, {9, "HR"}, {0, "EN"}, {10, "EN"}, {-1, "EN"},
    };
    for (const auto& [number, code] : cases) {
        EXPECT_EQ(LanguageCodeFromIndex(number), code) << number;
    }
}

TEST_F(Language, ReadsTheTableAndLooksUpTexts) {
    SetupConfig.Name = "Tavrin Lite";
    ASSERT_TRUE(ParseLanguage("XX", "one=first\r\n"
                                    "\r\n"
                                    "two=a=b\r\n"
                                    "one=second\r\n"
                                    "empty=\r\n"
                                    "Case=upper\r\n"
                                    "lines=a[line]b\r\n"
                                    "name=[name] is [name][line]\r\n"
                                    "=no key\r\n"
                                    "\r\n"
                                    "last=lost"));
    // One entry per non-blank line, then one empty entry.
    ASSERT_EQ(LanguageTexts.size(), 9u);
    EXPECT_EQ(LanguageTexts[5].Value, "a\r\nb") << "[line] is replaced when the text is loaded";
    EXPECT_EQ(LanguageTexts.back().Key, "");

    const std::pair<const char*, const char*> lookups[] = {
        {"one", "first"},    // the first of two equal keys
        {"two", "a=b"},      // only the first "=" splits
        {"empty", ""},       // a line ending right after its "="
        {"case", ""},        // keys are case-sensitive
        {"Case", "upper"},   //
        {"lines", "a\r\nb"}, //
        {"name", "Tavrin Lite is Tavrin Lite\r\n"},
        {"", "no key"},  // an empty key is still a key
        {"last", ""},    // a last line without CR LF is lost
        {"missing", ""}, //
    };
    for (const auto& [key, text] : lookups) {
        EXPECT_EQ(GetText(key), text) << key;
    }
}

TEST_F(Language, LookupStoresTheFilledInTextBack) {
    SetupConfig.Name = "First";
    ASSERT_TRUE(ParseLanguage("XX", "run=Run [name]\r\nother=[name]\r\n"));
    EXPECT_EQ(GetText("run"), "Run First");
    EXPECT_EQ(LanguageTexts[0].Value, "Run First");
    SetupConfig.Name = "Second";
    EXPECT_EQ(GetText("run"), "Run First") << "filled in once, on the first lookup";
    EXPECT_EQ(GetText("other"), "Second");

    SetupConfig.Name = "";
    ASSERT_TRUE(ParseLanguage("XX", "run=Run [name]!\r\n"));
    EXPECT_EQ(GetText("run"), "Run !") << "an empty Name leaves nothing in its place";
}

TEST_F(Language, MalformedTextsFailWithTheBox) {
    ASSERT_TRUE(ParseLanguage("XX", "keep=1\r\n"));

    // A line of blanks only is not blank: without "=" it fails, after the lines before it.
    bool loaded = true;
    std::vector<ShownBox> boxes =
        BoxesShownBy([&] { loaded = ParseLanguage("NL", "a=1\r\n\r\nb=2\r\n   \r\nc=3\r\n"); });
    EXPECT_FALSE(loaded);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text.substr(0, boxes[0].text.find("\r\n")),
              "Could not load language resource: NL");
    ASSERT_EQ(LanguageTexts.size(), 3u);
    EXPECT_EQ(LanguageTexts[1].Key, "b");
    EXPECT_EQ(LanguageTexts[2].Key, "");

    // Over 32,767 bytes: fails before the table is touched.
    ASSERT_TRUE(ParseLanguage("XX", "keep=1\r\n"));
    std::string longest = "k=" + std::string(32767 - 4, 'v') + "\r\n";
    ASSERT_EQ(longest.size(), 32767u);
    boxes = BoxesShownBy([&] {
        EXPECT_FALSE(ParseLanguage("FR", longest + "x"));
        EXPECT_TRUE(ParseLanguage("FR", longest));
    });
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(GetText("k").size(), 32767u - 4);
}

TEST_F(Language, LoadLanguageReadsTheResourceOfTheUpperCaseCode) {
    std::string code = "es-mx";
    ASSERT_TRUE(LoadLanguage(code));
    EXPECT_EQ(code, "ES-MX");
    EXPECT_EQ(GetText("button_finish"), "Terminar");

    ASSERT_TRUE(LoadLanguage("en"));
    EXPECT_EQ(GetText("button_acept"), "Acept");
    EXPECT_EQ(GetText("tooltip_previus"), "");

    // A missing resource keeps the table as it was.
    std::vector<ShownBox> boxes = BoxesShownBy([] {
        std::string missing = "de";
        EXPECT_FALSE(LoadLanguage(missing));
        EXPECT_EQ(missing, "DE");
        std::string empty;
        EXPECT_FALSE(LoadLanguage(empty));
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text.substr(0, boxes[0].text.find("\r\n")),
              "Could not load language resource: DE");
    EXPECT_EQ(boxes[1].text.substr(0, boxes[1].text.find("\r\n")),
              "Could not load language resource: ");
    EXPECT_EQ(GetText("button_acept"), "Acept");
}

TEST_F(Language, DetectLanguageLoadsTheSystemLanguage) {
    std::string system = GetSystemLanguage();
    ASSERT_FALSE(system.empty()) << "the locale's English language name is readable";
    EXPECT_EQ(UCase(system), LanguageCodeFromIndex(LanguageIndexFromCode(UCase(system))));
    ASSERT_TRUE(DetectLanguage());
    EXPECT_EQ(CurrentLanguage, UCase(system));
    EXPECT_NE(GetText("button_next"), "");
}

TEST_F(Language, ChangeLanguageSetsTitleAndTexts) {
    ASSERT_TRUE(Titles.Set(5, "Titre"));
    CurrentLanguage = "EN";
    ASSERT_TRUE(ChangeLanguage(5));
    EXPECT_EQ(CurrentTitle, "Titre");
    EXPECT_EQ(GetText("button_no"), "Non");
    EXPECT_EQ(CurrentLanguage, "EN") << "the system's language stays";

    ASSERT_TRUE(ChangeLanguage(0)) << "number 0 loads English with title 0";
    EXPECT_EQ(CurrentTitle, "");
    EXPECT_EQ(GetText("button_no"), "No");

    CurrentTitle = "kept";
    EXPECT_FALSE(ChangeLanguage(21));
    EXPECT_FALSE(ChangeLanguage(-1));
    EXPECT_EQ(CurrentTitle, "kept");
    EXPECT_EQ(GetText("button_no"), "No");
}

TEST_F(Language, FillComboAndApplyLanguageWriteTheSurface) {
    RecordingSurface surface;
    frmMain = &surface;
    SetupConfig.Name = "Tavrin Lite";
    for (int number = 1; number <= 8; ++number) {
        Titles.Set(number, "Title " + std::to_string(number));
    }
    CurrentLanguage = "fr";
    // The wizard's handler of IndexChanged.
    surface.languages.indexChanged = [&] {
        ChangeLanguage(std::stoi(surface.languages.selectedIndex) + 1);
        ApplyLanguage();
    };

    FillLanguageCombo();

    const std::vector<std::string> expected = {
        "cmbLanguages.SetImageList",
        "cmbLanguages.AddItem(English,1,1)",
        "cmbLanguages.AddItem(Espa\361ol,2,2)",
        "cmbLanguages.AddItem(Portugu\352s,3,3)",
        "cmbLanguages.AddItem(Italiano,4,4)",
        "cmbLanguages.AddItem(Fran\347ais,5,5)",
        "cmbLanguages.AddItem(Mexicano,6,6)",
        "cmbLanguages.AddItem(Catalan,7,7)",
        "cmbLanguages.AddItem(Netherlands,8,8)",
        "cmbLanguages.AddItem(Hrvatski,9,9)",
        "cmbLanguages.SelectedIndex=4",
        "lblTitle.Caption=Title 5",
        "lblSeccion0.Caption=Choisissez la langue de l'installation :",
        "lblTooltip.Caption=",
        "cmdSiguiente.Text=Suivant",
        "cmdAnterior.Text=Pr\351c\351dent",
        "cmdSalir.Text=Fermer",
        "frmFolders.Load",
        "frmFolders.cmdAceptar.Text=Accepter",
        "frmFolders.cmdSalir.Text=Fermer",
        "frmDialog.Load",
        "frmDialog.cmdAceptar.Text=Oui",
        "frmDialog.cmdSalir.Text=Non",
    };
    EXPECT_EQ(surface.log, expected);
    EXPECT_EQ(surface.languages.images, &surface.flags);
    EXPECT_EQ(CurrentLanguage, "FR");

    // Picking Croatian: no title line for it, and the empty hint again.
    surface.log.clear();
    surface.tooltip.caption = "something";
    surface.languages.SetSelectedIndex("8");
    EXPECT_EQ(surface.title.caption, "");
    EXPECT_EQ(surface.tooltip.caption, "");
    EXPECT_EQ(surface.next.text, "Dalje");
    EXPECT_EQ(surface.dialog.salir.text, "Ne");
    EXPECT_EQ(std::count(surface.log.begin(), surface.log.end(), "frmDialog.Load"), 0)
        << "a dialog is loaded once";
}

// Without the wizard's window the two procedures touch nothing: not the language table (a lookup
// would store its filled-in text back), not the caller's language code (the list's selection
// would upper-case it), not the title.
TEST_F(Language, WithoutAWindowNothingIsWritten) {
    SetupConfig.Name = "Tavrin Lite";
    std::string texts;
    for (const char* key : {"section_0", "tooltip_previus", "button_next", "button_previus",
                            "button_close", "button_acept", "button_yes", "button_no"}) {
        texts += std::string(key) + "=" + key + " of [name]\r\n";
    }
    ASSERT_TRUE(ParseLanguage("XX", texts));
    const std::vector<LanguageEntry> loaded = LanguageTexts;
    CurrentLanguage = "fr";
    CurrentTitle = "Titre";
    frmMain = nullptr;

    std::vector<ShownBox> boxes = BoxesShownBy([] {
        FillLanguageCombo();
        ApplyLanguage();
    });

    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(LanguageTexts.size(), loaded.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        EXPECT_EQ(LanguageTexts[i].Key, loaded[i].Key);
        EXPECT_EQ(LanguageTexts[i].Value, loaded[i].Value) << loaded[i].Key;
    }
    EXPECT_EQ(CurrentLanguage, "fr");
    EXPECT_EQ(CurrentTitle, "Titre");
}

} // namespace
