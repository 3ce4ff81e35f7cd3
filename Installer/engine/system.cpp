#include "system.h"

namespace instalio {

namespace {

FARPROC PlatformModuleEntry(const char* module, const char* entry) {
    HMODULE handle = GetModuleHandleA(module);
    return handle != nullptr ? GetProcAddress(handle, entry) : nullptr;
}

HANDLE PlatformOpenRawDisk(const char* path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

} // namespace

SystemQueries PlatformQueries() {
    return {PlatformModuleEntry, ::GetVersionExA, PlatformOpenRawDisk};
}

SystemQueries System = PlatformQueries();

bool Is32BitWindows() {
    using IsWow64ProcessEntry = BOOL(WINAPI*)(HANDLE process, PBOOL wow64);
    FARPROC entry = System.ModuleEntry("kernel32", "IsWow64Process");
    if (entry == nullptr) {
        return true;
    }
    // Through void (*)(void), the one function type that casts to any other without warning.
    auto isWow64Process =
        reinterpret_cast<IsWow64ProcessEntry>(reinterpret_cast<void (*)()>(entry));
    BOOL wow64 = FALSE;
    if (!isWow64Process(GetCurrentProcess(), &wow64)) {
        return true;
    }
    return wow64 == FALSE;
}

} // namespace instalio
