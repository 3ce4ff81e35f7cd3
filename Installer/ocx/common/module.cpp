#include "module.h"

namespace instalio::ocx {

HMODULE ThisModule() noexcept {
    static const char marker = 0;
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&marker), &module);
    return module;
}

} // namespace instalio::ocx
