// Fonts of the form layer, made once per name, size and weight and kept until the program ends.
#pragma once

#include <windows.h>

#include <string>

namespace instalio::ui {

struct FontSpec {
    std::string Name = "MS Sans Serif";
    int Size = 8; // points
    bool Bold = false;
};

HFONT GetFont(const FontSpec& spec);

} // namespace instalio::ui
