#include "propertybag.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace instalio::ui {

namespace {

bool SameKey(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A number as the description writes it: decimal, or &H hexadecimal with an optional final &.
bool ParseNumber(const std::string& text, std::int64_t& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    int base = 10;
    if (text.size() > 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
        first += 2;
        base = 16;
        if (last > first && last[-1] == '&') {
            --last;
        }
    }
    auto [end, error] = std::from_chars(first, last, value, base);
    return error == std::errc() && end == last && first != last;
}

} // namespace

PropertyBag::PropertyBag(std::vector<std::pair<std::string, std::string>> entries)
    : entries_(std::move(entries)) {}

const std::string* PropertyBag::Find(const std::string& key) const {
    for (const auto& [name, value] : entries_) {
        if (SameKey(name, key)) {
            return &value;
        }
    }
    return nullptr;
}

void PropertyBag::Store(const std::string& key, std::string value) {
    for (auto& [name, stored] : entries_) {
        if (SameKey(name, key)) {
            stored = std::move(value);
            return;
        }
    }
    entries_.emplace_back(key, std::move(value));
}

void PropertyBag::Remove(const std::string& key) {
    std::erase_if(entries_, [&](const auto& entry) { return SameKey(entry.first, key); });
}

std::string PropertyBag::ReadString(const std::string& key, const std::string& fallback) const {
    const std::string* value = Find(key);
    return value != nullptr ? *value : fallback;
}

std::int32_t PropertyBag::ReadLong(const std::string& key, std::int32_t fallback) const {
    const std::string* text = Find(key);
    std::int64_t value = 0;
    if (text == nullptr || !ParseNumber(*text, value)) {
        return fallback;
    }
    return static_cast<std::int32_t>(value);
}

bool PropertyBag::ReadBool(const std::string& key, bool fallback) const {
    const std::string* text = Find(key);
    if (text == nullptr) {
        return fallback;
    }
    if (SameKey(*text, "True")) {
        return true;
    }
    if (SameKey(*text, "False")) {
        return false;
    }
    std::int64_t value = 0;
    return ParseNumber(*text, value) ? value != 0 : fallback;
}

OleColor PropertyBag::ReadColor(const std::string& key, OleColor fallback) const {
    const std::string* text = Find(key);
    std::int64_t value = 0;
    if (text == nullptr || !ParseNumber(*text, value)) {
        return fallback;
    }
    return static_cast<OleColor>(value);
}

PicturePtr PropertyBag::ReadPicture(const std::string& key) const {
    const std::string* name = Find(key);
    return name != nullptr && !name->empty() ? LoadPicture(*name) : nullptr;
}

void PropertyBag::WriteString(const std::string& key, const std::string& value,
                              const std::string& fallback) {
    if (value == fallback) {
        Remove(key);
    } else {
        Store(key, value);
    }
}

void PropertyBag::WriteLong(const std::string& key, std::int32_t value, std::int32_t fallback) {
    if (value == fallback) {
        Remove(key);
    } else {
        Store(key, std::to_string(value));
    }
}

void PropertyBag::WriteBool(const std::string& key, bool value, bool fallback) {
    if (value == fallback) {
        Remove(key);
    } else {
        Store(key, value ? "-1" : "0");
    }
}

void PropertyBag::WriteColor(const std::string& key, OleColor value, OleColor fallback) {
    if (value == fallback) {
        Remove(key);
        return;
    }
    char text[16];
    auto [end, error] = std::to_chars(text, text + sizeof text, value, 16);
    (void)error;
    Store(key, "&H" + std::string(text, end) + "&");
}

void PropertyBag::WritePicture(const std::string& key, const PicturePtr& value) {
    if (value == nullptr || value->Name().empty()) {
        Remove(key);
    } else {
        Store(key, value->Name());
    }
}

} // namespace instalio::ui
