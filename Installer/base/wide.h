// 8-bit text of the system's ANSI code page in UTF-16, for the platform's ...W entries.
#pragma once

#include <string>

namespace instalio {

std::wstring Wide(const std::string& text);

} // namespace instalio
