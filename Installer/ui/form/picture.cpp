#include "picture.h"

#include "twips.h"

#include <map>

namespace instalio::ui {

Picture::Picture(HBITMAP bitmap, std::string name) : bitmap_(bitmap), name_(std::move(name)) {
    DIBSECTION section{};
    if (GetObjectA(bitmap, sizeof section, &section) == sizeof section) {
        width_ = section.dsBm.bmWidth;
        height_ = std::abs(section.dsBm.bmHeight);
        alpha_ = section.dsBm.bmBitsPixel == 32;
        return;
    }
    BITMAP plain{};
    if (GetObjectA(bitmap, sizeof plain, &plain) != 0) {
        width_ = plain.bmWidth;
        height_ = std::abs(plain.bmHeight);
    }
}

Picture::Picture(HBITMAP bitmap, COLORREF maskColor) : Picture(bitmap) {
    masked_ = true;
    maskColor_ = maskColor;
}

Picture::Picture(HICON icon) : icon_(icon) {
    ICONINFO info{};
    if (GetIconInfo(icon, &info)) {
        // The copies of the icon's bitmaps that GetIconInfo made.
        ScopedBitmap color(info.hbmColor);
        ScopedBitmap maskBitmap(info.hbmMask);
        BITMAP mask{};
        GetObjectA(maskBitmap.get(), sizeof mask, &mask);
        width_ = mask.bmWidth;
        height_ = color.valid() ? mask.bmHeight : mask.bmHeight / 2;
    }
}

int Picture::HimetricWidth() const {
    return MulDiv(width_, kHimetricPerInch, kPixelsPerInch);
}

int Picture::HimetricHeight() const {
    return MulDiv(height_, kHimetricPerInch, kPixelsPerInch);
}

void Picture::Draw(HDC dc, int x, int y, int width, int height) const {
    if (width <= 0 || height <= 0) {
        return;
    }
    if (icon_.valid()) {
        DrawIconEx(dc, x, y, icon_.get(), width, height, 0, nullptr, DI_NORMAL);
        return;
    }
    ScopedMemoryDC source(CreateCompatibleDC(dc));
    ScopedSelect select(source.get(), bitmap_.get());
    if (alpha_) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, width, height, source.get(), 0, 0, width_, height_, blend);
    } else if (masked_) {
        TransparentBlt(dc, x, y, width, height, source.get(), 0, 0, width_, height_, maskColor_);
    } else if (width == width_ && height == height_) {
        BitBlt(dc, x, y, width, height, source.get(), 0, 0, SRCCOPY);
    } else {
        int previous = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, x, y, width, height, source.get(), 0, 0, width_, height_, SRCCOPY);
        SetStretchBltMode(dc, previous);
    }
}

PicturePtr LoadPicture(const std::string& name) {
    static std::map<std::string, PicturePtr> loaded;
    auto found = loaded.find(name);
    if (found != loaded.end()) {
        return found->second;
    }
    auto bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), name.c_str(),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap == nullptr) {
        return nullptr;
    }
    PicturePtr picture = std::make_shared<Picture>(bitmap, name);
    loaded.emplace(name, picture);
    return picture;
}

HCURSOR LoadCursorResource(const std::string& name) {
    static std::map<std::string, HCURSOR> loaded;
    auto found = loaded.find(name);
    if (found != loaded.end()) {
        return found->second;
    }
    HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), name.c_str());
    if (cursor == nullptr) {
        cursor = LoadCursor(nullptr, IDC_HAND);
    }
    loaded.emplace(name, cursor);
    return cursor;
}

} // namespace instalio::ui
