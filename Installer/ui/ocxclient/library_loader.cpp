#include "library_loader.h"

#include "errorbox.h"
#include "owners.h"
#include "wide.h"

#include <cwchar>
#include <vector>

namespace instalio::ocx {

namespace {

constexpr const wchar_t* kClassesKey = L"SOFTWARE\\Classes\\CLSID\\";

bool IsLocalDrive(wchar_t letter) {
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    switch (GetDriveTypeW(root)) {
    case DRIVE_FIXED:
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
        return true;
    default:
        return false; // a network drive, or no drive at all
    }
}

} // namespace

bool IsLibraryPath(const std::wstring& path, const char* fileName) {
    // "X:\" and then folder names and the file name, each separated by one backslash.
    if (path.size() < 4 || path[1] != L':' || path[2] != L'\\' ||
        !((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) {
        return false;
    }
    for (std::size_t i = 2; i < path.size(); ++i) {
        if (path[i] < 32 || std::wcschr(L"/:*?\"<>|", path[i]) != nullptr) {
            return false;
        }
    }
    std::wstring name;
    for (std::size_t start = 3; start <= path.size();) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = path.size();
        }
        name = path.substr(start, end - start);
        if (name.empty() || name == L"." || name == L"..") {
            return false;
        }
        start = end + 1;
    }
    const std::wstring expected = Wide(fileName);
    return CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()), expected.c_str(),
                                static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL &&
           IsLocalDrive(path[0]);
}

DWORD RegisteredPath(const ControlLibrary& library, std::wstring& path) {
    const std::wstring key = kClassesKey + Wide(library.clsid) + L"\\InprocServer32";
    ScopedRegKey server;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | kOwnRegistryView,
                      server.receive()) != ERROR_SUCCESS) {
        return static_cast<DWORD>(REGDB_E_CLASSNOTREG);
    }
    // The value is read as the registry holds it: any type, any length, maybe no final zero.
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(server.get(), nullptr, nullptr, &type, nullptr, &size);
    std::vector<wchar_t> text;
    if (status == ERROR_SUCCESS && type == REG_SZ && size <= 32768 * sizeof(wchar_t)) {
        text.resize(size / sizeof(wchar_t) + 1);
        status = RegQueryValueExW(server.get(), nullptr, nullptr, &type,
                                  reinterpret_cast<BYTE*>(text.data()), &size);
    }
    if (status != ERROR_SUCCESS || type != REG_SZ || text.empty()) {
        return static_cast<DWORD>(REGDB_E_CLASSNOTREG);
    }
    const std::wstring value(text.data(), wcsnlen(text.data(), size / sizeof(wchar_t)));
    if (!IsLibraryPath(value, library.fileName)) {
        return ERROR_BAD_PATHNAME;
    }
    path = value;
    return ERROR_SUCCESS;
}

void ReportLoadFailure(const ControlLibrary& library, DWORD code) {
    // The platform may have no text for the registration's own code.
    ShowError(std::string("Could not load control library: ") + library.fileName,
              static_cast<std::int32_t>(code),
              code == static_cast<DWORD>(REGDB_E_CLASSNOTREG) ? "Class not registered"
                                                              : ErrorDescription(code));
}

HMODULE LoadRegisteredLibrary(const ControlLibrary& library) {
    std::wstring path;
    DWORD error = RegisteredPath(library, path);
    if (error != ERROR_SUCCESS) {
        ReportLoadFailure(library, error);
        return nullptr;
    }
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, 0);
    if (module == nullptr) {
        ReportLoadFailure(library, LastErrorOr(ERROR_MOD_NOT_FOUND));
    }
    return module;
}

} // namespace instalio::ocx
