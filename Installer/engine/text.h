// Text helpers of the engine. Texts are 8-bit strings in the system's ANSI code page, one
// character per byte, as the platform's ...A entries take and give them.
#pragma once

#include <string>
#include <vector>

namespace instalio {

// Lower and upper case by the rules of the ANSI code page (so "É" and "é" pair up too).
std::string LCase(std::string text);
std::string UCase(std::string text);

// Every occurrence of `find` in `text` replaced by `with`, left to right, without rescanning
// the replacement.
std::string Replace(const std::string& text, const std::string& find, const std::string& with);

bool EndsWith(const std::string& text, const std::string& tail);

// Converts a text to a number as the platform's variant conversion does: the user's number
// notation, blanks around the number allowed. False when the text is not a number (an empty
// text included); `value` is then unchanged.
bool ParseNumber(const std::string& text, double& value);

// The largest text resource the engine reads: its line and byte counters are 16-bit signed.
constexpr std::size_t kMaxTextResourceBytes = 32767;

// Splits the bytes of a text resource into lines. The bytes are walked from the first to the
// second-to-last; the last byte is never examined. A CR closes the current line and the byte
// after it is skipped unexamined (the LF of a CR LF); any other byte joins the current line.
// The result always ends with the text after the last CR, which callers do not parse.
std::vector<std::string> SplitResourceLines(const std::string& bytes);

} // namespace instalio
