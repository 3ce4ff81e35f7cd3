// Scoped owners of GDI objects and drawing contexts: non-copyable, released by the destructor.
#pragma once

#include <windows.h>

#include <utility>

namespace instalio::ui {

// A GDI object (bitmap, brush, pen, font, region) that DeleteObject releases.
template <typename Object> class ScopedGdiObject {
public:
    explicit ScopedGdiObject(Object object = nullptr) : object_(object) {}
    ~ScopedGdiObject() { reset(); }
    ScopedGdiObject(ScopedGdiObject&& other) noexcept : object_(other.release()) {}
    ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

    Object get() const { return object_; }
    // Gives the object away: the caller (or the window system) owns it from now on.
    Object release() { return std::exchange(object_, nullptr); }
    void reset(Object object = nullptr) {
        if (object_ != nullptr) {
            DeleteObject(object_);
        }
        object_ = object;
    }

private:
    Object object_;
};

using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedPen = ScopedGdiObject<HPEN>;
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedRegion = ScopedGdiObject<HRGN>;

// A memory drawing context that DeleteDC releases.
class ScopedMemoryDC {
public:
    explicit ScopedMemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~ScopedMemoryDC() {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
        }
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// An object selected into a drawing context, put back by the destructor.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The drawing context of a window (or the screen for null), released by the destructor.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedGetDC() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A viewport origin moved for the life of the object.
class ScopedViewportOffset {
public:
    ScopedViewportOffset(HDC dc, int dx, int dy) : dc_(dc) {
        GetViewportOrgEx(dc_, &previous_);
        SetViewportOrgEx(dc_, previous_.x + dx, previous_.y + dy, nullptr);
    }
    ~ScopedViewportOffset() { SetViewportOrgEx(dc_, previous_.x, previous_.y, nullptr); }
    ScopedViewportOffset(const ScopedViewportOffset&) = delete;
    ScopedViewportOffset& operator=(const ScopedViewportOffset&) = delete;

private:
    HDC dc_;
    POINT previous_{};
};

} // namespace instalio::ui
