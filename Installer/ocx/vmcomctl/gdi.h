// Owners of the GDI objects and device contexts the library makes for a moment.
#pragma once

#include <windows.h>

namespace instalio::vmcomctl {

class ScopedBitmap {
public:
    explicit ScopedBitmap(HBITMAP bitmap = nullptr) : bitmap_(bitmap) {}
    ~ScopedBitmap() {
        if (bitmap_ != nullptr) {
            DeleteObject(bitmap_);
        }
    }
    ScopedBitmap(const ScopedBitmap&) = delete;
    ScopedBitmap& operator=(const ScopedBitmap&) = delete;

    HBITMAP get() const { return bitmap_; }
    // Gives the bitmap away.
    HBITMAP release() {
        HBITMAP bitmap = bitmap_;
        bitmap_ = nullptr;
        return bitmap;
    }

private:
    HBITMAP bitmap_;
};

// A memory device context compatible with the screen, with one bitmap selected into it.
class MemoryDC {
public:
    explicit MemoryDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
        if (dc_ != nullptr) {
            old_ = SelectObject(dc_, bitmap);
        }
    }
    ~MemoryDC() {
        if (dc_ != nullptr) {
            SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    // False when the context could not be made or the bitmap not selected.
    bool valid() const { return dc_ != nullptr && old_ != nullptr && old_ != HGDI_ERROR; }
    HDC get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// A 24-bit bitmap of width x height; null when it cannot be made.
HBITMAP NewBitmap(int width, int height);

} // namespace instalio::vmcomctl
