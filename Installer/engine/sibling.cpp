#include "sibling.h"

#include "config.h"
#include "display.h"
#include "files.h"
#include "filesystem.h"
#include "folders.h"
#include "registry.h"
#include "text.h"

namespace instalio {

namespace {

bool IsDataFile(const std::string& name) {
    std::string extension = GetExtension(name);
    return extension == "mdb" || extension == "ini" || extension == "cop";
}

// The sibling's install folder, from the last single-quoted argument of UninstallString.
std::string OldFolderOf(std::string uninstall) {
    uninstall.pop_back(); // the closing "'"
    std::size_t quote = uninstall.rfind('\'');
    return (quote == std::string::npos ? uninstall : uninstall.substr(quote + 1)) + "\\";
}

// True when `folder` is a full path: a drive and "\", or a network path ("\\host\...").
bool IsFullPath(const std::string& folder) {
    return (folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\') ||
           folder.rfind("\\\\", 0) == 0;
}

// The full, long-named path of an existing folder, upper-cased and ending in "\"; empty when
// it cannot be worked out.
std::string ComparablePath(const std::string& folder) {
    char full[MAX_PATH * 2] = {};
    DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        return {};
    }
    char longName[MAX_PATH * 2] = {};
    DWORD longLength = GetLongPathNameA(full, longName, sizeof longName);
    std::string path = longLength > 0 && longLength < sizeof longName
                           ? std::string(longName, longLength)
                           : std::string(full, length);
    return UCase(EndsWith(path, "\\") ? path : path + "\\");
}

// True when `folder` is `container` or lies below it, or when that cannot be told.
bool IsInside(const std::string& folder, const std::string& container) {
    const std::string inner = ComparablePath(folder);
    const std::string outer = ComparablePath(container);
    return inner.empty() || outer.empty() || inner.rfind(outer, 0) == 0;
}

} // namespace

std::string SiblingProduct() {
    return SetupConfig.Name == "Tavrin Pro EU" ? "Plandor .Net" : "Vessmark .Net";
}

bool IsSiblingInstalled() {
    return RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + SiblingProduct());
}

bool IsDriveRoot(const std::string& Folder) {
    char full[MAX_PATH * 2] = {};
    DWORD length = GetFullPathNameA(Folder.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        return true; // a folder that cannot be told apart from a root is kept
    }
    std::string path(full, length);
    while (EndsWith(path, "\\")) {
        path.pop_back();
    }
    if (path.size() <= 2) {
        return true; // "X:" or nothing left
    }
    if (UCase(path.substr(0, 8)) == "\\\\?\\UNC\\") {
        path = "\\" + path.substr(7); // "\\?\UNC\host\share" is the share "\\host\share"
    }
    if (path.rfind("\\\\", 0) == 0) {
        // "\\host\share" and "\\?\X:" or "\\.\X:": two components after the leading "\\".
        std::size_t first = path.find('\\', 2);
        return first == std::string::npos || path.find('\\', first + 1) == std::string::npos;
    }
    return false;
}

void MigrateSibling() {
    const std::string sibling = SiblingProduct();
    const std::string key = kUninstallKey + sibling;
    std::string uninstall;
    if (!RegReadString(HKEY_LOCAL_MACHINE, key, "UninstallString", uninstall) ||
        uninstall.empty() || frmMain == nullptr) {
        return;
    }
    const std::string oldFolder = OldFolderOf(uninstall);
    // A folder that is not a full path would be found from the current folder, not where the
    // sibling was installed: the sibling has no folder left to take over.
    if (IsFullPath(oldFolder) && fso::FolderExists(oldFolder)) {
        const std::string target = frmMain->txtPath().Text();
        for (const std::string& name : FilesIn(oldFolder)) {
            if (IsDataFile(name) &&
                fso::CopyFile(oldFolder + name, target + name, true) != ERROR_SUCCESS) {
                return;
            }
        }
        // A sibling installed at a drive's root keeps the drive's contents, and a target folder
        // in the sibling's folder keeps the new installation and the data files just copied.
        if (!IsDriveRoot(oldFolder) && !IsInside(target, oldFolder) &&
            fso::DeleteFolder(oldFolder.substr(0, oldFolder.size() - 1), true) != ERROR_SUCCESS) {
            return;
        }
        const std::string programs = SpecialFolder(Csidl::CommonPrograms) + sibling;
        if (fso::FolderExists(programs) && fso::DeleteFolder(programs, true) != ERROR_SUCCESS) {
            return;
        }
        const std::string desktop = SpecialFolder(Csidl::DesktopDirectory) + sibling + ".lnk";
        if (fso::FileExists(desktop) && fso::DeleteFile(desktop, true) != ERROR_SUCCESS) {
            return;
        }
        const std::string quickLaunch = SpecialFolder(Csidl::AppData) +
                                        "Microsoft\\Internet Explorer\\Quick Launch\\" + sibling +
                                        ".lnk";
        if (fso::FileExists(quickLaunch) && fso::DeleteFile(quickLaunch, false) != ERROR_SUCCESS) {
            return;
        }
    }
    RegDeleteSubKey(HKEY_LOCAL_MACHINE, key);
}

} // namespace instalio
