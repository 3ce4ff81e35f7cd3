// Small owners for the platform's component objects: the thread's COM initialisation and an
// interface pointer, both released by their destructors.
#pragma once

#include "win.h"

#include <objbase.h>

namespace instalio {

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
    ScopedCoInitialize(const ScopedCoInitialize&) = delete;
    ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;

private:
    HRESULT result_;
};

// An interface pointer that the owner releases.
template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    // The slot a creating call fills; whatever was held before is released first.
    void** out() {
        if (pointer_ != nullptr) {
            pointer_->Release();
            pointer_ = nullptr;
        }
        return reinterpret_cast<void**>(&pointer_);
    }

private:
    Interface* pointer_ = nullptr;
};

// The system error code within a result of a component call: the code itself for a wrapped
// system error, else the whole result.
inline DWORD ErrorCodeOf(HRESULT result) {
    return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                      : static_cast<DWORD>(result);
}

} // namespace instalio
