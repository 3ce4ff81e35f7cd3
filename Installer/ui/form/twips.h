// Units and colours of the form layer. Geometry is kept in twips (15 twips = 1 pixel: the
// program is DPI-unaware, so the system works at 96 dots per inch); colours are OLE colours
// &HBBGGRR, where a value with the top bit set names a system colour.
#pragma once

#include <windows.h>

#include <cstdint>

namespace instalio::ui {

constexpr int kTwipsPerPixel = 15;

// The pixel on which a twip position falls (rounded to the nearest pixel).
constexpr int Px(int twips) {
    int shifted = twips + kTwipsPerPixel / 2;
    return shifted >= 0 ? shifted / kTwipsPerPixel
                        : -((-shifted + kTwipsPerPixel - 1) / kTwipsPerPixel);
}

constexpr int Twips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// Picture sizes come in HIMETRIC (hundredths of a millimetre).
constexpr int kHimetricPerInch = 2540;
constexpr int kTwipsPerInch = 1440;
constexpr int kPixelsPerInch = 96;

inline int HimetricToTwips(int himetric) {
    return MulDiv(himetric, kTwipsPerInch, kHimetricPerInch);
}

using OleColor = std::uint32_t;

constexpr OleColor kSystemColorFlag = 0x80000000u;

// The platform colour of an OLE colour.
inline COLORREF ToColorRef(OleColor color) {
    if (color & kSystemColorFlag) {
        return GetSysColor(static_cast<int>(color & 0xFFu));
    }
    return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

} // namespace instalio::ui
