// A text converted to a number as the form system converts the text given to a numeric
// property: blanks around it, an optional sign and decimal digits with an optional fraction
// (rounded half to even), or the hexadecimal &H and octal &O forms, whose values are bit
// patterns (up to 16 bits a signed Integer, so &HFFFF is -1; up to 32 bits a signed Long).
// Anything else fails with type mismatch (13), a value outside the type with overflow (6).
#pragma once

#include <cstdint>
#include <string_view>

namespace instalio::ui {

std::int16_t TextToInteger(std::string_view text);

} // namespace instalio::ui
