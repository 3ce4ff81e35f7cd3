#include "registration.h"

#include "module.h"
#include "owners.h"
#include "wide.h"

#include <string>
#include <vector>

namespace instalio::ocx {

namespace {

// Opens the key of the classes in this library's registry view into `classes`.
LSTATUS OpenClasses(ScopedRegKey& classes) {
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClassesKey, 0, nullptr, 0,
                           KEY_ALL_ACCESS | kOwnRegistryView, nullptr, classes.receive(), nullptr);
}

LSTATUS SetText(HKEY classes, const std::wstring& subKey, const wchar_t* name,
                const std::wstring& text) {
    ScopedRegKey key;
    LSTATUS status =
        RegCreateKeyExW(classes, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kOwnRegistryView,
                        nullptr, key.receive(), nullptr);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// The full path of this library; empty when it cannot be read whole.
std::wstring OwnPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length =
            GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            return {path.data(), length};
        }
        if (path.size() >= 32768) {
            return {};
        }
        path.resize(path.size() * 2);
    }
}

HRESULT Result(LSTATUS status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

} // namespace

HRESULT RegisterServer(const ClassRegistration& registration) noexcept {
    return NoThrow(E_OUTOFMEMORY, [&] {
        std::wstring path = OwnPath();
        if (path.empty()) {
            return HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME);
        }
        ScopedRegKey classes;
        if (LSTATUS status = OpenClasses(classes); status != ERROR_SUCCESS) {
            return Result(status);
        }
        const std::wstring clsid = Wide(registration.clsid);
        const std::wstring progId = Wide(registration.progId);
        const std::wstring description = Wide(registration.description);
        const std::wstring classKey = L"CLSID\\" + clsid;
        const struct {
            std::wstring key;
            const wchar_t* name;
            std::wstring text;
        } values[] = {
            {classKey, nullptr, description},
            {classKey + L"\\InprocServer32", nullptr, path},
            {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
            {classKey + L"\\ProgID", nullptr, progId},
            {progId, nullptr, description},
            {progId + L"\\CLSID", nullptr, clsid},
        };
        for (const auto& value : values) {
            LSTATUS status = SetText(classes.get(), value.key, value.name, value.text);
            if (status != ERROR_SUCCESS) {
                return Result(status);
            }
        }
        return S_OK;
    });
}

HRESULT UnregisterServer(const ClassRegistration& registration) noexcept {
    return NoThrow(E_OUTOFMEMORY, [&] {
        ScopedRegKey classes;
        if (LSTATUS status = OpenClasses(classes); status != ERROR_SUCCESS) {
            return Result(status);
        }
        for (const std::wstring& key :
             {L"CLSID\\" + Wide(registration.clsid), Wide(registration.progId)}) {
            LSTATUS status = RegDeleteTreeW(classes.get(), key.c_str());
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
                return Result(status);
            }
        }
        return S_OK;
    });
}

} // namespace instalio::ocx
