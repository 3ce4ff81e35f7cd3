// The scriptable test transport: forwards each entry to the hosting program's SCRIPT_HOST.
// Variants are built from this file: without EMBUDP_TERMINALREAD (SCRIPT_NO_TERMINALREAD),
// without the required EMBUDP_READ (SCRIPT_NO_READ) and without the two modem entries
// (SCRIPT_NO_MODEM).
#include "script_host.h"

#include <atomic>

#if defined(_WIN32)
#include <windows.h>
#define SCRIPT_EXPORT extern "C" __declspec(dllexport)
#else
#include <dlfcn.h>
#define SCRIPT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// The host is looked up once, on the first entry called (EMBUDP_NAME, while termlink opens the
// connection): the lookup takes the loader's lock, which a reader thread that termlink suspends
// during its start-up may hold.
std::atomic<ScriptHost*> host{nullptr};

ScriptHost* Host() {
    if (ScriptHost* known = host.load()) {
        return known;
    }
#if defined(_WIN32)
    auto fn = reinterpret_cast<ScriptHostFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), "SCRIPT_HOST")));
#else
    auto fn = reinterpret_cast<ScriptHostFn>(dlsym(RTLD_DEFAULT, "SCRIPT_HOST"));
#endif
    ScriptHost* found = fn != nullptr ? fn() : nullptr;
    host.store(found);
    return found;
}

} // namespace

SCRIPT_EXPORT void* EMBUDP_CALL EMBUDP_INIT(int parameter1, int parameter2, int parameter3) {
    ScriptHost* host = Host();
    return host != nullptr ? host->init(parameter1, parameter2, parameter3) : nullptr;
}

SCRIPT_EXPORT int EMBUDP_CALL EMBUDP_CLOSE(void* handle) {
    return Host()->close(handle);
}

SCRIPT_EXPORT int EMBUDP_CALL EMBUDP_SEND(void* handle, const void* bytes, int length) {
    return Host()->send(handle, bytes, length);
}

#if !defined(SCRIPT_NO_READ)
SCRIPT_EXPORT int EMBUDP_CALL EMBUDP_READ(void* handle, void* buffer, int capacity, int timeoutMs) {
    return Host()->read(handle, buffer, capacity, timeoutMs);
}
#endif

#if !defined(SCRIPT_NO_TERMINALREAD)
SCRIPT_EXPORT int EMBUDP_CALL EMBUDP_TERMINALREAD(void* handle) {
    return Host()->terminalRead(handle);
}
#endif

#if !defined(SCRIPT_NO_MODEM)
SCRIPT_EXPORT int EMBUDP_CALL EMBUDP_SENDTOMODEM(void* handle, const char* text, int length) {
    return Host()->sendToModem(handle, text, length);
}

SCRIPT_EXPORT int EMBUDP_CALL EMBUDP_READFROMMODEM(void* handle, char* buffer,
                                                   int lastCommandLength, int timeoutMs) {
    return Host()->readFromModem(handle, buffer, lastCommandLength, timeoutMs);
}
#endif

SCRIPT_EXPORT const char* EMBUDP_CALL EMBUDP_NAME(void* connection) {
    ScriptHost* host = Host();
    return host != nullptr ? host->name(connection) : "SCRIPT";
}
