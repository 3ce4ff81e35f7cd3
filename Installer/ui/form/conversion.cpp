#include "conversion.h"

#include "failure.h"

#include <algorithm>
#include <limits>

namespace instalio::ui {

namespace {

[[noreturn]] void TypeMismatch() {
    throw RunTimeFailure{13, "Type mismatch"};
}

[[noreturn]] void Overflow() {
    throw RunTimeFailure{6, "Overflow"};
}

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

bool Decimal(char c) {
    return c >= '0' && c <= '9';
}

// The value of a digit in `base` (8 or 16); -1 for none.
int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    }
    return value < base ? value : -1;
}

// The digits of an &H or &O number: a bit pattern of up to 32 bits.
std::int64_t Pattern(std::string_view digits, int base) {
    if (digits.empty()) {
        TypeMismatch();
    }
    std::uint64_t value = 0;
    bool tooWide = false;
    for (char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0) {
            TypeMismatch();
        }
        if (!tooWide) { // the rest is still checked for digits
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
            tooWide = value > 0xFFFFFFFFu;
        }
    }
    if (tooWide) {
        Overflow();
    }
    if (value <= 0xFFFFu) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Sign, digits and fraction, rounded half to even to a whole number. Digits past what any
// integer type holds only need to be told apart from a small number.
std::int64_t Rounded(std::string_view text) {
    constexpr std::uint64_t kLarge = std::uint64_t{1} << 40;
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::uint64_t whole = 0;
    std::size_t digits = 0;
    for (; at < text.size() && Decimal(text[at]); ++at, ++digits) {
        whole = std::min(kLarge, whole * 10 + static_cast<unsigned>(text[at] - '0'));
    }
    int firstFraction = 0;
    bool restNonZero = false;
    if (at < text.size() && text[at] == '.') {
        ++at;
        for (std::size_t place = 0; at < text.size() && Decimal(text[at]); ++at, ++place) {
            ++digits;
            if (place == 0) {
                firstFraction = text[at] - '0';
            } else if (text[at] != '0') {
                restNonZero = true;
            }
        }
    }
    if (digits == 0 || at != text.size()) {
        TypeMismatch();
    }
    const bool up = firstFraction > 5 || (firstFraction == 5 && (restNonZero || whole % 2 == 1));
    const auto value = static_cast<std::int64_t>(whole + (up ? 1 : 0));
    return negative ? -value : value;
}

} // namespace

std::int16_t TextToInteger(std::string_view text) {
    while (!text.empty() && Blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && Blank(text.back())) {
        text.remove_suffix(1);
    }
    std::int64_t value = 0;
    if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
        value = Pattern(text.substr(2), 16);
    } else if (text.size() >= 2 && text[0] == '&' && (text[1] == 'O' || text[1] == 'o')) {
        value = Pattern(text.substr(2), 8);
    } else {
        value = Rounded(text);
    }
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        Overflow();
    }
    return static_cast<std::int16_t>(value);
}

} // namespace instalio::ui
