#include "folderguard.h"

#include "owners.h"
#include "wide.h"

#include <knownfolders.h>
#include <shlobj.h>

namespace instalio {

namespace {

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

std::wstring WithFinalSlash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\') {
        path += L'\\';
    }
    return path;
}

std::wstring FullPath(const std::wstring& path) {
    if (path.empty()) {
        return {};
    }
    wchar_t full[MAX_PATH * 2] = {};
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(full, length) : std::wstring();
}

bool IsRootPath(const std::wstring& folder) {
    std::wstring path = FullPath(folder);
    while (!path.empty() && path.back() == L'\\') {
        path.pop_back();
    }
    if (path.size() <= 2) {
        return true; // "X:" or nothing left
    }
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\")) {
        const std::wstring rest = path.substr(4);
        if (StartsWith(rest, L"GLOBALROOT")) {
            return true;
        }
        if (!StartsWith(rest, L"UNC\\")) {
            return rest.find(L'\\') == std::wstring::npos; // "X:", "Volume{…}"
        }
        path = L"\\\\" + rest.substr(4); // "\\?\UNC\host\share" is the share "\\host\share"
    }
    if (StartsWith(path, L"\\\\")) {
        // "\\host\share": at most two components after the leading "\\".
        std::size_t first = path.find(L'\\', 2);
        return first == std::wstring::npos || path.find(L'\\', first + 1) == std::wstring::npos;
    }
    return false;
}

// The names a folder is compared by, each ending in "\": its full path as written (with long
// names), and its final path once opened, through every link. Either is empty when it cannot be
// worked out (the final path always, for a folder that does not exist).
struct FolderNames {
    std::wstring written;
    std::wstring resolved;
};

std::wstring FinalPath(const std::wstring& folder) {
    ScopedHandle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) {
        return {};
    }
    wchar_t final[MAX_PATH * 2] = {};
    DWORD length = GetFinalPathNameByHandleW(handle.get(), final, MAX_PATH * 2,
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= MAX_PATH * 2) {
        return {};
    }
    std::wstring path(final, length);
    if (StartsWith(path, L"\\\\?\\UNC\\")) {
        return L"\\\\" + path.substr(8);
    }
    return StartsWith(path, L"\\\\?\\") ? path.substr(4) : path;
}

FolderNames NamesOf(const std::wstring& folder) {
    FolderNames names;
    names.written = FullPath(folder);
    if (!names.written.empty()) {
        wchar_t longName[MAX_PATH * 2] = {};
        DWORD length = GetLongPathNameW(names.written.c_str(), longName, MAX_PATH * 2);
        if (length > 0 && length < MAX_PATH * 2) {
            names.written.assign(longName, length);
        }
        names.resolved = FinalPath(names.written);
    }
    names.written = WithFinalSlash(names.written);
    names.resolved = WithFinalSlash(names.resolved);
    return names;
}

// True when `outer` is `inner` or holds it, by any of their names.
bool Holds(const FolderNames& outer, const FolderNames& inner) {
    for (const std::wstring* o : {&outer.written, &outer.resolved}) {
        for (const std::wstring* i : {&inner.written, &inner.resolved}) {
            if (!o->empty() && !i->empty() && StartsWith(*i, *o)) {
                return true;
            }
        }
    }
    return false;
}

// True when `folder` lies directly in `parent`, by any of their names.
bool IsDirectlyIn(const FolderNames& folder, const FolderNames& parent) {
    for (const std::wstring* name : {&folder.written, &folder.resolved}) {
        if (name->size() < 2) {
            continue;
        }
        const std::wstring above = name->substr(0, name->find_last_of(L'\\', name->size() - 2) + 1);
        for (const std::wstring* p : {&parent.written, &parent.resolved}) {
            if (!p->empty() && above.size() == p->size() && StartsWith(above, *p)) {
                return true;
            }
        }
    }
    return false;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) {
        folder = path;
    }
    CoTaskMemFree(path);
    return folder;
}

// The Program Files folder of 64-bit Windows, which the known-folder call does not give a 32-bit
// process; empty on 32-bit Windows.
std::wstring NativeProgramFiles() {
    ScopedRegKey key;
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.receive()) != ERROR_SUCCESS ||
        RegGetValueW(key.get(), nullptr, L"ProgramFilesDir", RRF_RT_REG_SZ, nullptr, path, &size) !=
            ERROR_SUCCESS) {
        return {};
    }
    return path;
}

} // namespace

bool IsDriveRoot(const std::string& Folder) {
    return IsRootPath(Wide(Folder));
}

bool IsProtectedFolder(const std::string& Folder, const std::vector<std::string>& Keep) {
    const FolderNames folder = NamesOf(Wide(Folder));
    if (folder.resolved.empty() || IsRootPath(folder.written) || IsRootPath(folder.resolved)) {
        return true;
    }
    std::vector<std::wstring> kept = {
        KnownFolder(FOLDERID_Windows),
        KnownFolder(FOLDERID_System),
        KnownFolder(FOLDERID_SystemX86),
        KnownFolder(FOLDERID_ProgramFiles),
        KnownFolder(FOLDERID_ProgramFilesX86),
        KnownFolder(FOLDERID_ProgramFilesX64),
        NativeProgramFiles(),
        KnownFolder(FOLDERID_ProgramData),
        KnownFolder(FOLDERID_UserProfiles),
        KnownFolder(FOLDERID_Profile),
    };
    for (const std::string& keep : Keep) {
        kept.push_back(Wide(keep));
    }
    for (const std::wstring& path : kept) {
        if (!path.empty() && Holds(folder, NamesOf(path))) {
            return true;
        }
    }
    return IsDirectlyIn(folder, NamesOf(KnownFolder(FOLDERID_UserProfiles)));
}

} // namespace instalio
