#include "process_probe.h"

#include <chrono>
#include <thread>

#if defined(_WIN32)
// windows.h first: tlhelp32.h relies on its types.
#include <windows.h>

#include <tlhelp32.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#endif

namespace probe {

bool ThreadCountBecomes(int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ThreadCount() != count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

#if defined(_WIN32)

int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return -1;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) {
            ++count;
        }
    }
    CloseHandle(snapshot);
    return count;
}

bool IsLoaded(const std::string& fileName) {
    return GetModuleHandleA(fileName.c_str()) != nullptr;
}

int HandleCount() {
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? static_cast<int>(count) : -1;
}

#else

int ThreadCount() {
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    closedir(dir);
    return count;
}

bool IsLoaded(const std::string& fileName) {
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

int HandleCount() {
    return -1;
}

#endif

} // namespace probe
