// Small owners of platform handles: non-copyable, closed by the destructor.
#pragma once

#include "win.h"

namespace instalio {

// A platform handle released by Closer; both null and INVALID_HANDLE_VALUE mean none (each
// opening call reports failure with one of the two).
template <typename Handle, typename Closer> class ScopedResource {
public:
    explicit ScopedResource(Handle handle = nullptr) : handle_(handle) {}
    ~ScopedResource() {
        if (valid()) {
            Closer()(handle_);
        }
    }
    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    Handle get() const { return handle_; }

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

// A kernel handle that CloseHandle releases.
using ScopedHandle = ScopedResource<HANDLE, CloseKernelHandle>;
// A directory listing opened by FindFirstFileA.
using ScopedFind = ScopedResource<HANDLE, CloseFind>;

// An open registry key that RegCloseKey releases.
class ScopedRegKey {
public:
    ScopedRegKey() = default;
    ~ScopedRegKey() { reset(); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    HKEY get() const { return key_; }
    // Where an opening call stores the key; the key held before is released.
    HKEY* receive() {
        reset();
        return &key_;
    }

private:
    void reset() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }

    HKEY key_ = nullptr;
};

// A service manager or service handle that CloseServiceHandle releases.
using ScopedServiceHandle = ScopedResource<SC_HANDLE, CloseService>;

} // namespace instalio
