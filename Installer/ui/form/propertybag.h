// A user control's property bag: the values its host saved with its description, by key,
// matched without regard to case. A key the bag lacks reads as the default given with it; a
// value equal to its default is not written. Values are kept as the description's text:
// numbers in decimal or as &H hexadecimal, Booleans as -1 (True) and 0 (False), pictures as the
// name of a bitmap resource of the program.
#pragma once

#include "picture.h"
#include "twips.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace instalio::ui {

class PropertyBag {
public:
    PropertyBag() = default;
    explicit PropertyBag(std::vector<std::pair<std::string, std::string>> entries);

    std::string ReadString(const std::string& key, const std::string& fallback) const;
    std::int32_t ReadLong(const std::string& key, std::int32_t fallback) const;
    bool ReadBool(const std::string& key, bool fallback) const;
    OleColor ReadColor(const std::string& key, OleColor fallback) const;
    // The picture named under `key`; null when the key is absent or names no picture.
    PicturePtr ReadPicture(const std::string& key) const;

    void WriteString(const std::string& key, const std::string& value, const std::string& fallback);
    void WriteLong(const std::string& key, std::int32_t value, std::int32_t fallback);
    void WriteBool(const std::string& key, bool value, bool fallback);
    void WriteColor(const std::string& key, OleColor value, OleColor fallback);
    // A picture is written by its resource name; no picture is the default.
    void WritePicture(const std::string& key, const PicturePtr& value);

    bool Contains(const std::string& key) const { return Find(key) != nullptr; }
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

private:
    const std::string* Find(const std::string& key) const;
    void Store(const std::string& key, std::string value);
    void Remove(const std::string& key);

    std::vector<std::pair<std::string, std::string>> entries_;
};

} // namespace instalio::ui
