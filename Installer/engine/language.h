// The language texts: nine language resources LANGUAGES/<code>, the language table, the
// detection of the system's language and the lookup of texts.
//
// Languages by number (their position in the wizard's list plus one, and their icon number):
// 1 EN English, 2 ES Español, 3 PT Português, 4 IT Italiano, 5 FR Français, 6 ES-MX Mexicano,
// 7 CA Catalan, 8 NL Netherlands, 9 HR Hrvatski.
#pragma once

#include <string>
#include <vector>

namespace instalio {

struct LanguageEntry {
    std::string Key;
    std::string Value;
};

// After a successful load: one entry per non-blank line of the resource, in file order,
// followed by one empty entry. Keys are not made unique; the lookup takes the first.
extern std::vector<LanguageEntry> LanguageTexts;

// The upper-case code of the system's language, set by DetectLanguage.
extern std::string CurrentLanguage;

// The lower-case code of the system's language; empty when the locale's name cannot be read.
std::string GetSystemLanguage();

// The lower-case code for an English language name of a locale; "en" for any unknown name.
// Lower-cases `name` in the caller's variable too.
std::string LanguageCodeFromName(std::string& name);
inline std::string LanguageCodeFromName(std::string&& name) {
    return LanguageCodeFromName(name);
}

// The upper-case code of a language number; "EN" for any number outside 2 to 9.
std::string LanguageCodeFromIndex(int number);

// The language number 1 to 9 of a code, 1 for an unknown one. Upper-cases `code` in the
// caller's variable too.
int LanguageIndexFromCode(std::string& code);
inline int LanguageIndexFromCode(std::string&& code) {
    return LanguageIndexFromCode(code);
}

// Sets CurrentLanguage to the system's language and loads it.
bool DetectLanguage();

// Sets CurrentTitle to the title of language `number` and loads that language. Leaves
// CurrentLanguage unchanged. False when the number is outside 0 to 20 (nothing changes then)
// or the language does not load.
bool ChangeLanguage(int number);

// Loads the texts of language `code` from its resource. Upper-cases `code` in the caller's
// variable too. On failure shows the error box "Could not load language resource: " code.
bool LoadLanguage(std::string& code);
inline bool LoadLanguage(std::string&& code) {
    return LoadLanguage(code);
}

// The reading of LoadLanguage on bytes already taken from the resource of `code`.
bool ParseLanguage(const std::string& code, const std::string& bytes);

// The text of `key` (matched exactly, case-sensitive; the first of equal keys) with "[name]"
// replaced by the configuration's Name and "[line]" by CR LF. The filled-in text is stored
// back into the table. Empty when no entry has the key.
std::string GetText(const std::string& key);

// Fills the wizard's language list and selects the current language in it. Nothing without a
// wizard window.
void FillLanguageCombo();

// Puts the texts of the current language into the wizard window and its two dialogs. Nothing
// without a wizard window.
void ApplyLanguage();

} // namespace instalio
