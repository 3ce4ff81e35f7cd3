#include "config.h"

#include "language.h"
#include "resources.h"
#include "text.h"

namespace instalio {

SetupConfiguration SetupConfig;
TitleList Titles;
std::string CurrentTitle;

bool TitleList::Get(int index, std::string& title) const {
    if (index < 0 || index > kUpper) {
        return false;
    }
    title = items_[static_cast<std::size_t>(index)];
    return true;
}

bool TitleList::Set(int index, const std::string& title) {
    if (index < 0 || index > kUpper) {
        return false;
    }
    items_[static_cast<std::size_t>(index)] = title;
    return true;
}

namespace {

struct TitleKey {
    const char* key;
    int index;
};

constexpr TitleKey kTitleKeys[] = {
    {"title_en", 1},    {"title_es", 2}, {"title_pt", 3}, {"title_it", 4}, {"title_fr", 5},
    {"title_es-mx", 6}, {"title_ca", 7}, {"title_nl", 8}, {"title_hr", 9},
};

// A repeatable value split at its first ",": false when it has none.
bool SplitPair(const std::string& value, std::string& first, std::string& second) {
    std::size_t comma = value.find(',');
    if (comma == std::string::npos) {
        return false;
    }
    first = value.substr(0, comma);
    second = value.substr(comma + 1);
    return true;
}

bool AddShortcut(ConfigList<ShortcutEntry>& list, const std::string& value) {
    ShortcutEntry& entry = list.Add();
    return SplitPair(value, entry.Target, entry.LinkCaption);
}

// Stores one key=value line by the configuration's key table. Unknown keys are ignored.
bool StoreValue(const std::string& key, const std::string& value) {
    SetupConfiguration& c = SetupConfig;
    for (const TitleKey& title : kTitleKeys) {
        if (key == title.key) {
            return Titles.Set(title.index, value);
        }
    }
    if (key == "name") {
        c.Name = value;
    } else if (key == "product") {
        c.Product = value;
    } else if (key == "executable") {
        c.Executable = value;
    } else if (key == "version") {
        c.Version = value;
    } else if (key == "versioncab1") {
        return ParseNumber(value, c.VersionCab1);
    } else if (key == "versioncab2") {
        return ParseNumber(value, c.VersionCab2);
    } else if (key == "versioncab3") {
        return ParseNumber(value, c.VersionCab3);
    } else if (key == "namecab1") {
        c.NameCab1 = value;
    } else if (key == "namecab2") {
        c.NameCab2 = value;
    } else if (key == "namecab3") {
        c.NameCab3 = value;
    } else if (key == "shortcutprograms") {
        return AddShortcut(c.ShortcutPrograms, value);
    } else if (key == "shortcutdesktop") {
        return AddShortcut(c.ShortcutDesktop, value);
    } else if (key == "shortcutquicklaunch") {
        return AddShortcut(c.ShortcutQuickLaunch, value);
    } else if (key == "service") {
        ServiceEntry& entry = c.Services.Add();
        return SplitPair(value, entry.ServiceName, entry.ServiceFile);
    }
    return true;
}

} // namespace

bool ParseConfiguration(const std::string& bytes) {
    if (bytes.size() > kMaxTextResourceBytes) {
        return false;
    }
    std::vector<std::string> lines = SplitResourceLines(bytes);
    SetupConfig.ShortcutPrograms.Reset();
    SetupConfig.ShortcutDesktop.Reset();
    SetupConfig.ShortcutQuickLaunch.Reset();
    SetupConfig.Services.Reset();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) { // the last line is never parsed
        const std::string& line = lines[i];
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            return false;
        }
        if (!StoreValue(LCase(line.substr(0, equals)), line.substr(equals + 1))) {
            return false;
        }
    }
    Titles.Get(LanguageIndexFromCode(CurrentLanguage), CurrentTitle);
    return true;
}

bool LoadConfiguration() {
    std::string bytes;
    if (ReadResource("CONFIGURACION", "ARCHIVOS", bytes) != 0) {
        return false;
    }
    return ParseConfiguration(bytes);
}

} // namespace instalio
