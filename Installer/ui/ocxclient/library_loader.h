// Finding and loading a carried control library: through its class registration (never by the
// search path), by the full path registered there, with its interface version checked. Each
// failure shows the error box "Could not load control library: " and the library's file name.
#pragma once

#include "ocx_abi.h"

#include "owners.h"

#include <cstdint>
#include <string>

namespace instalio::ocx {

struct ControlLibrary {
    const char* fileName; // as it lies in the system folder
    const char* clsid;    // in braces
    const char* entry;    // the export that gives the interface table
    std::uint32_t version;
};

// Reads InprocServer32 of the library's class below HKEY_LOCAL_MACHINE into `path`. Returns 0,
// REGDB_E_CLASSNOTREG when the class has no such value, or ERROR_BAD_PATHNAME when the value is
// no absolute path on a local drive whose file name is the library's.
DWORD RegisteredPath(const ControlLibrary& library, std::wstring& path);

// True when `path` is an absolute path on a local drive, without "." or ".." steps, whose file
// name is `fileName` (without regard to case).
bool IsLibraryPath(const std::wstring& path, const char* fileName);

// Loads the registered library and keeps it loaded; null after the error box.
HMODULE LoadRegisteredLibrary(const ControlLibrary& library);

// Shows the error box for the library with the failure `code`.
void ReportLoadFailure(const ControlLibrary& library, DWORD code);

// The interface table of the library, of the version it was built for; null after the error box
// when the library is missing, unregistered, cannot be loaded or gives no such version (it is
// then unloaded again). A table once given stays valid until the program ends.
template <typename Interface> const Interface* LoadControlLibrary(const ControlLibrary& library) {
    using Entry = const Interface*(VMCALL*)(std::uint32_t);
    ScopedLibrary module(LoadRegisteredLibrary(library));
    if (!module.valid()) {
        return nullptr;
    }
    auto entry = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), library.entry)));
    const Interface* table = entry != nullptr ? entry(library.version) : nullptr;
    if (table == nullptr || table->version != library.version) {
        module.reset();
        ReportLoadFailure(library,
                          entry != nullptr ? ERROR_REVISION_MISMATCH : ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    module.release(); // it stays loaded until the program ends
    return table;
}

} // namespace instalio::ocx
