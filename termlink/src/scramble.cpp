// The communication-password scramble sent with CMD_AUTHENTICATE.
#include "connection.h"

namespace termlink {

namespace {

// A constant of the terminals' protocol, set by the build (TERMLINK_COMM_MASK).
constexpr std::uint8_t kCommMask[4] = {TERMLINK_COMM_MASK};

std::uint32_t ReverseBits(std::uint32_t value) {
    std::uint32_t reversed = 0;
    for (int bit = 0; bit < 32; ++bit) {
        reversed = (reversed << 1) | ((value >> bit) & 1U);
    }
    return reversed;
}

} // namespace

std::uint32_t ScrambleCommKey(std::uint32_t password, std::uint16_t sessionId, std::uint8_t tick) {
    const std::uint32_t k = ReverseBits(password) + sessionId;
    std::uint8_t b[4];
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<std::uint8_t>((k >> (8 * i)) ^ kCommMask[i]);
    }
    // Swap the 16-bit halves, then mix in the tick: bytes 0, 1 and 3 XORed, byte 2 carries it.
    const std::uint8_t out[4] = {static_cast<std::uint8_t>(b[2] ^ tick),
                                 static_cast<std::uint8_t>(b[3] ^ tick), tick,
                                 static_cast<std::uint8_t>(b[1] ^ tick)};
    return static_cast<std::uint32_t>(out[0]) | (static_cast<std::uint32_t>(out[1]) << 8) |
           (static_cast<std::uint32_t>(out[2]) << 16) | (static_cast<std::uint32_t>(out[3]) << 24);
}

std::uint32_t ScrambleCommKey(std::uint32_t password, std::uint16_t sessionId) {
    return ScrambleCommKey(password, sessionId, static_cast<std::uint8_t>(os::TickCount()));
}

} // namespace termlink
