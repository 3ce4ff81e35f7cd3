// The setup configuration: read once at start-up from the configuration resource
// ARCHIVOS/CONFIGURACION, only read afterwards.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace instalio {

// A growable list with indexes 0 to UBound. Element 0 always exists and stays empty; the
// configured entries are elements 1 to UBound, in the order of their lines.
template <typename Entry> class ConfigList {
public:
    int UBound() const { return static_cast<int>(items_.size()) - 1; }
    // Element `index`, 0 to UBound.
    const Entry& operator[](int index) const { return items_[static_cast<std::size_t>(index)]; }
    Entry& operator[](int index) { return items_[static_cast<std::size_t>(index)]; }
    // Back to element 0 alone.
    void Reset() { items_.assign(1, Entry{}); }
    // Grows the list by one empty element and returns it.
    Entry& Add() { return items_.emplace_back(); }

private:
    std::vector<Entry> items_ = std::vector<Entry>(1);
};

struct ShortcutEntry {
    std::string Target;      // the file to start, relative to the target folder
    std::string LinkCaption; // the shortcut's caption
};

struct ServiceEntry {
    std::string ServiceName;
    std::string ServiceFile; // the service's program, relative to the target folder
};

struct SetupConfiguration {
    std::string Name;
    std::string Product;
    std::string Executable;
    std::string Version;
    double VersionCab1 = 0;
    double VersionCab2 = 0;
    double VersionCab3 = 0;
    std::string NameCab1;
    std::string NameCab2;
    std::string NameCab3;
    ConfigList<ShortcutEntry> ShortcutPrograms;
    ConfigList<ShortcutEntry> ShortcutDesktop;
    ConfigList<ShortcutEntry> ShortcutQuickLaunch;
    ConfigList<ServiceEntry> Services;
};

// The window titles by language number (1 English ... 9 Croatian); indexes 0 to 20, of which
// only 1 to 9 are ever filled.
class TitleList {
public:
    static constexpr int kUpper = 20;
    // Title `index` into `title`. An index outside 0 to 20 is an error: false, `title` unchanged.
    bool Get(int index, std::string& title) const;
    bool Set(int index, const std::string& title);

private:
    std::array<std::string, kUpper + 1> items_;
};

extern SetupConfiguration SetupConfig;
extern TitleList Titles;
// The window title in the current language.
extern std::string CurrentTitle;

// Reads resource ARCHIVOS/CONFIGURACION into SetupConfig and Titles, then sets CurrentTitle to
// the title of CurrentLanguage. False on any failure, without a message; what was stored
// before the failure stays.
bool LoadConfiguration();

// The reading of LoadConfiguration on bytes already taken from the resource.
bool ParseConfiguration(const std::string& bytes);

} // namespace instalio
