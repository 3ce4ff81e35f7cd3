#include "terminal_data.h"

#include <lzo/lzo1x.h>

namespace termsim {

std::uint32_t BlockHash(std::span<const std::uint8_t> bytes) {
    std::uint32_t h = 0;
    for (const std::uint8_t c : bytes) {
        h = (h << 4) + c;
        if (const std::uint32_t g = h & 0xF0000000U; g != 0) {
            h ^= g ^ static_cast<std::uint32_t>(static_cast<std::int32_t>(g) >> 24);
        }
    }
    return h % 0xFEFFFFU;
}

Bytes Compress(std::span<const std::uint8_t> bytes) {
    static const bool ready = lzo_init() == LZO_E_OK;
    if (!ready) {
        return {};
    }
    // The compressor's worst case: a little more than the input.
    Bytes out(bytes.size() + bytes.size() / 16 + 64 + 3);
    std::vector<std::uint8_t> work(LZO1X_1_MEM_COMPRESS);
    lzo_uint length = out.size();
    if (lzo1x_1_compress(bytes.data(), bytes.size(), out.data(), &length, work.data()) !=
        LZO_E_OK) {
        return {};
    }
    out.resize(length);
    return out;
}

} // namespace termsim
