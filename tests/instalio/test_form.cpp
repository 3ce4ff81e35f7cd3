#include "test_form.h"

#include <cstddef>
#include <cstdint>

namespace instalio::test {

ui::PicturePtr MakePicture(int width, int height, COLORREF color,
                           const std::function<COLORREF(int x, int y, COLORREF color)>& paint) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const std::ptrdiff_t stride = (width * 3 + 3) & ~3;
    auto* rows = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows + y * stride;
        for (int x = 0; x < width; ++x) {
            COLORREF value = paint ? paint(x, y, color) : color;
            std::uint8_t* pixel = row + std::ptrdiff_t{x} * 3;
            pixel[0] = GetBValue(value);
            pixel[1] = GetGValue(value);
            pixel[2] = GetRValue(value);
        }
    }
    return std::make_shared<ui::Picture>(bitmap);
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

} // namespace instalio::test
