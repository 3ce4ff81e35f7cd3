// Small owners of platform handles: non-copyable, closed by the destructor.
#pragma once

#include "win.h"

namespace instalio {

// A kernel handle that CloseHandle releases; both null and INVALID_HANDLE_VALUE mean none.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~ScopedHandle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// A directory listing opened by FindFirstFileA.
class ScopedFind {
public:
    explicit ScopedFind(HANDLE handle) : handle_(handle) {}
    ~ScopedFind() {
        if (valid()) {
            FindClose(handle_);
        }
    }
    ScopedFind(const ScopedFind&) = delete;
    ScopedFind& operator=(const ScopedFind&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

} // namespace instalio
