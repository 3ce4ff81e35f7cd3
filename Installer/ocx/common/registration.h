// The class registration of a carried control library, written and removed by its
// DllRegisterServer and DllUnregisterServer in the registry view of the library's bitness:
//
//   HKLM\SOFTWARE\Classes\CLSID\{clsid}                  (default) description
//   HKLM\SOFTWARE\Classes\CLSID\{clsid}\InprocServer32   (default) the library's full path,
//                                                        ThreadingModel "Apartment"
//   HKLM\SOFTWARE\Classes\CLSID\{clsid}\ProgID           (default) progId
//   HKLM\SOFTWARE\Classes\progId                         (default) description
//   HKLM\SOFTWARE\Classes\progId\CLSID                   (default) {clsid}
#pragma once

#include <windows.h>

namespace instalio::ocx {

struct ClassRegistration {
    const char* clsid; // in braces
    const char* progId;
    const char* description;
};

// The key of the class registrations, below HKEY_LOCAL_MACHINE.
constexpr const char* kClassesKey = "SOFTWARE\\Classes";

// Writes the registration of the library this code is linked into. S_OK, or the failure as an
// HRESULT.
HRESULT RegisterServer(const ClassRegistration& registration) noexcept;

// Removes the registration; one that is not there counts as removed.
HRESULT UnregisterServer(const ClassRegistration& registration) noexcept;

} // namespace instalio::ocx
