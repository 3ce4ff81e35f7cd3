// Owners of the platform's handles, GDI objects and drawing states, and of COM on a thread:
// non-copyable, movable, released by the destructor. Each gives its handle away with release().
#pragma once

#include "win.h"

#include <objbase.h>

#include <utility>

namespace instalio {

// A handle released by Closer; both null and INVALID_HANDLE_VALUE mean none (each opening call
// reports failure with one of the two).
template <typename Handle, typename Closer> class ScopedResource {
public:
    explicit ScopedResource(Handle handle = nullptr) : handle_(handle) {}
    ~ScopedResource() { reset(); }
    ScopedResource(ScopedResource&& other) noexcept : handle_(other.release()) {}
    ScopedResource& operator=(ScopedResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    Handle get() const { return handle_; }
    // Gives the handle away: the caller (or the platform) owns it from now on.
    Handle release() { return std::exchange(handle_, nullptr); }
    // Releases the handle held and takes `handle`.
    void reset(Handle handle = nullptr) {
        if (valid()) {
            Closer()(handle_);
        }
        handle_ = handle;
    }
    // Where an opening call stores the handle; the one held before is released.
    Handle* receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_;
};

struct CloseKernelHandle {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseFind {
    void operator()(HANDLE handle) const { FindClose(handle); }
};
struct CloseService {
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
struct CloseRegKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DeleteMemoryDC {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

// A kernel handle that CloseHandle releases.
using ScopedHandle = ScopedResource<HANDLE, CloseKernelHandle>;
// A directory listing opened by FindFirstFile.
using ScopedFind = ScopedResource<HANDLE, CloseFind>;
// A service manager or service handle.
using ScopedServiceHandle = ScopedResource<SC_HANDLE, CloseService>;
// An open registry key.
using ScopedRegKey = ScopedResource<HKEY, CloseRegKey>;
// A library loaded by LoadLibrary.
using ScopedLibrary = ScopedResource<HMODULE, FreeModule>;

// GDI objects that DeleteObject releases.
template <typename Object> using ScopedGdiObject = ScopedResource<Object, DeleteGdiObject>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedRegion = ScopedGdiObject<HRGN>;
// An icon that DestroyIcon releases.
using ScopedIcon = ScopedResource<HICON, DestroyIconHandle>;
// A memory drawing context (CreateCompatibleDC) that DeleteDC releases.
using ScopedMemoryDC = ScopedResource<HDC, DeleteMemoryDC>;

// The painting of a window's invalid area: BeginPaint, and EndPaint by the destructor, also
// when the painting fails.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~ScopedPaint() {
        if (window_ != nullptr) {
            EndPaint(window_, &paint_);
        }
    }
    ScopedPaint(ScopedPaint&& other) noexcept
        : paint_(other.paint_), window_(std::exchange(other.window_, nullptr)), dc_(other.dc_) {}
    ScopedPaint& operator=(ScopedPaint&&) = delete;
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;

    HDC dc() const { return dc_; }
    // The area to paint, in client pixels.
    const RECT& area() const { return paint_.rcPaint; }
    // Gives the painting away: the caller ends it with EndPaint.
    PAINTSTRUCT release() {
        window_ = nullptr;
        return paint_;
    }

private:
    PAINTSTRUCT paint_{}; // first: BeginPaint fills it once it is made
    HWND window_;
    HDC dc_;
};

// An object selected into a drawing context, put back by the destructor.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (valid()) {
            SelectObject(dc_, previous_);
        }
    }
    ScopedSelect(ScopedSelect&& other) noexcept
        : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    ScopedSelect& operator=(ScopedSelect&&) = delete;
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

    // False when the object could not be selected (a context that is none included).
    bool valid() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }
    // Leaves the object selected; the object it replaced is the caller's to put back.
    HGDIOBJ release() { return std::exchange(previous_, nullptr); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A viewport origin moved for the life of the object.
class ScopedViewportOffset {
public:
    ScopedViewportOffset(HDC dc, int dx, int dy) : dc_(dc) {
        GetViewportOrgEx(dc_, &previous_);
        SetViewportOrgEx(dc_, previous_.x + dx, previous_.y + dy, nullptr);
    }
    ~ScopedViewportOffset() {
        if (dc_ != nullptr) {
            SetViewportOrgEx(dc_, previous_.x, previous_.y, nullptr);
        }
    }
    ScopedViewportOffset(ScopedViewportOffset&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), previous_(other.previous_) {}
    ScopedViewportOffset& operator=(ScopedViewportOffset&&) = delete;
    ScopedViewportOffset(const ScopedViewportOffset&) = delete;
    ScopedViewportOffset& operator=(const ScopedViewportOffset&) = delete;

    // Leaves the origin where it is now.
    void release() { dc_ = nullptr; }

private:
    HDC dc_;
    POINT previous_{};
};

// COM on this thread for the owner's lifetime. A thread already initialised in another mode
// keeps that mode, and objects still work on it.
class ScopedCoInitialize {
public:
    ScopedCoInitialize() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ScopedCoInitialize() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ScopedCoInitialize(ScopedCoInitialize&& other) noexcept
        : result_(std::exchange(other.result_, E_FAIL)) {}
    ScopedCoInitialize& operator=(ScopedCoInitialize&&) = delete;
    ScopedCoInitialize(const ScopedCoInitialize&) = delete;
    ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;

    // Leaves COM initialised: the caller uninitialises it.
    void release() { result_ = E_FAIL; }

private:
    HRESULT result_;
};

// An interface pointer that the owner releases.
template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : pointer_(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = other.release();
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    // Gives the reference away: the caller releases it.
    Interface* release() { return std::exchange(pointer_, nullptr); }
    // The slot a creating call fills; whatever was held before is released first.
    void** out() {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }

private:
    void reset() {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }

    Interface* pointer_ = nullptr;
};

} // namespace instalio
