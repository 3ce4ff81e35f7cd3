// The modem's texts: the command of each kind, and where the answer begins after the echo.
#include "modem.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ModemCommandText, EachKindAndTheLongestNumber) {
    const struct {
        int kind;
        const char* text;
    } cases[] = {
        {termlink::MODEM_AT, "AT\r"},      {termlink::MODEM_DIAL, "ATD0034934567890123456\r"},
        {termlink::MODEM_ESCAPE, "+++\r"}, {termlink::MODEM_HANGUP, "+++ATH\r"},
        {termlink::MODEM_ONHOOK, "ATH\r"}, {42, "ATH\r"},
    };
    for (const auto& c : cases) {
        char text[32];
        const int length = termlink::ModemCommandText(c.kind, "0034934567890123456", text);
        EXPECT_EQ(std::string(text), c.text) << c.kind;
        EXPECT_EQ(length, static_cast<int>(std::string(c.text).size())) << c.kind;
    }
}

TEST(FindModemReplyText, IndexAfterTheThirdLineBreak) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {nullptr, 0},
        {"", 0},
        {"AT\r\r\nOK\r\n", 5},             // echo, then CR LF: the LF is the third break
        {"OK\r\n", 0},                     // no echo: two breaks before the end
        {"AT\r\r\n", 5},                   // the third break ends the text
        {"\n\n\nX", 3},                    // line feeds alone count
        {"\r\r\rX", 3},                    // carriage returns alone count
        {"ATD1\r\r\nCONNECT 9600\r\n", 7}, // later breaks do not matter
        {"AT\rOK", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(termlink::FindModemReplyText(c.text), c.expected)
            << (c.text != nullptr ? c.text : "(null)");
    }
}

} // namespace
