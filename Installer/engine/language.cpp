#include "language.h"

#include "config.h"
#include "display.h"
#include "errorbox.h"
#include "resources.h"
#include "text.h"
#include "win.h"

namespace instalio {

std::vector<LanguageEntry> LanguageTexts(1);
std::string CurrentLanguage;

namespace {

// The codes by language number; index 0 stands for every unknown number.
const char* const kCodes[] = {"EN", "EN", "ES", "PT", "IT", "FR", "ES-MX", "CA", "NL", "HR"};

// The wizard list's texts by language number, in the ANSI code page.
const char* const kListTexts[] = {nullptr,       "English",     "Espa\361ol", "Portugu\352s",
                                  "Italiano",    "Fran\347ais", "Mexicano",   "Catalan",
                                  "Netherlands", "Hrvatski"};

struct NameCode {
    const char* name;
    const char* code;
};

// English language names of the system locale, in the order they are compared.
constexpr NameCode kLanguageNames[] = {
    {"english", "en"},    {"eng", "en"},        {"spanish", "es"},  {"spa", "es"},
    {"italian", "it"},    {"portuguese", "pt"}, {"french", "fr"},   {"mexican", "es-mx"},
    {"catalonian", "ca"}, {"dutch", "nl"},      {"croatian", "hr"},
};

void LanguageLoadFailed(const std::string& code, DWORD error) {
    ShowSystemError("Could not load language resource: " + code, error);
}

} // namespace

std::string GetSystemLanguage() {
    LCID locale = GetSystemDefaultLCID();
    int size = GetLocaleInfoA(locale, LOCALE_SENGLANGUAGE, nullptr, 0);
    if (size <= 0) {
        return {};
    }
    std::string name(static_cast<std::size_t>(size), '\0');
    if (GetLocaleInfoA(locale, LOCALE_SENGLANGUAGE, name.data(), size) == 0) {
        return {};
    }
    name.resize(name.find('\0') != std::string::npos ? name.find('\0') : name.size());
    return LanguageCodeFromName(name);
}

std::string LanguageCodeFromName(std::string& name) {
    name = LCase(name);
    for (const NameCode& entry : kLanguageNames) {
        if (name == entry.name) {
            return entry.code;
        }
    }
    return "en";
}

std::string LanguageCodeFromIndex(int number) {
    return kCodes[number >= 2 && number <= 9 ? number : 0];
}

int LanguageIndexFromCode(std::string& code) {
    code = UCase(code);
    for (int number = 1; number <= 9; ++number) {
        if (code == kCodes[number]) {
            return number;
        }
    }
    return 1;
}

bool DetectLanguage() {
    CurrentLanguage = GetSystemLanguage();
    return LoadLanguage(CurrentLanguage);
}

bool ChangeLanguage(int number) {
    if (!Titles.Get(number, CurrentTitle)) {
        return false;
    }
    return LoadLanguage(LanguageCodeFromIndex(number));
}

bool LoadLanguage(std::string& code) {
    code = UCase(code);
    std::string bytes;
    DWORD error = code.empty() ? static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND)
                               : ReadResource(code, "LANGUAGES", bytes);
    if (error != ERROR_SUCCESS) {
        LanguageLoadFailed(code, error);
        return false;
    }
    return ParseLanguage(code, bytes);
}

bool ParseLanguage(const std::string& code, const std::string& bytes) {
    if (bytes.size() > kMaxTextResourceBytes) {
        LanguageLoadFailed(code, ERROR_INVALID_DATA);
        return false;
    }
    std::vector<std::string> lines = SplitResourceLines(bytes);
    LanguageTexts.assign(1, LanguageEntry{});
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) { // the last line is never parsed
        std::string line = Replace(lines[i], "[line]", "\r\n");
        if (line.empty()) {
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            LanguageLoadFailed(code, ERROR_INVALID_DATA);
            return false;
        }
        LanguageTexts.back() = {line.substr(0, equals), line.substr(equals + 1)};
        LanguageTexts.emplace_back();
    }
    return true;
}

std::string GetText(const std::string& key) {
    for (LanguageEntry& entry : LanguageTexts) {
        if (entry.Key == key) {
            entry.Value =
                Replace(Replace(entry.Value, "[name]", SetupConfig.Name), "[line]", "\r\n");
            return entry.Value;
        }
    }
    return {};
}

void FillLanguageCombo() {
    if (frmMain == nullptr) {
        return;
    }
    display::ImageCombo& list = frmMain->cmbLanguages();
    list.SetImageList(frmMain->ilIdiomas());
    for (std::int16_t number = 1; number <= 9; ++number) {
        list.AddItem(kListTexts[number], number, number);
    }
    list.SetSelectedIndex(std::to_string(LanguageIndexFromCode(CurrentLanguage) - 1));
}

void ApplyLanguage() {
    if (frmMain == nullptr) {
        return;
    }
    display::Surface& form = *frmMain;
    form.lblTitle().SetCaption(CurrentTitle);
    form.lblSeccion0().SetCaption(GetText("section_0"));
    form.lblTooltip().SetCaption(GetText("tooltip_previus"));
    form.cmdSiguiente().SetText(GetText("button_next"));
    form.cmdAnterior().SetText(GetText("button_previus"));
    form.cmdSalir().SetText(GetText("button_close"));
    form.frmFolders().cmdAceptar().SetText(GetText("button_acept"));
    form.frmFolders().cmdSalir().SetText(GetText("button_close"));
    form.frmDialog().cmdAceptar().SetText(GetText("button_yes"));
    form.frmDialog().cmdSalir().SetText(GetText("button_no"));
}

} // namespace instalio
