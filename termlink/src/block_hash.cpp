#include "bulk.h"

namespace termlink {

// A shift-and-fold hash over the bytes. The fold takes the top four bits g back into the word
// shifted right by 24 with sign fill: when bit 31 of g is set, bits 8 to 31 of the shifted value
// are set as well, and that is the hash the terminals compute.
int BlockHash(const std::uint8_t* bytes, std::uint32_t length) {
    std::uint32_t h = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        h = (h << 4) + bytes[i];
        const std::uint32_t g = h & 0xF0000000U;
        if (g != 0) {
            const auto s = static_cast<std::uint32_t>(static_cast<std::int32_t>(g) >> 24);
            h = h ^ g ^ s;
        }
    }
    return static_cast<int>(h % 0xFEFFFFU);
}

} // namespace termlink
