#include "sibling.h"

#include "config.h"
#include "display.h"
#include "files.h"
#include "filesystem.h"
#include "folderguard.h"
#include "folders.h"
#include "registry.h"

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

} // namespace

std::string SiblingProduct() {
    return SetupConfig.Name == "Tavrin Pro EU" ? "Plandor .Net" : "Vessmark .Net";
}

bool IsSiblingInstalled() {
    return RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + SiblingProduct());
}

void MigrateSibling() {
    if (frmMain == nullptr) {
        return;
    }
    const std::string sibling = SiblingProduct();
    const std::string key = kUninstallKey + sibling;
    std::string uninstall;
    if (!RegReadString(HKEY_LOCAL_MACHINE, key, "UninstallString", uninstall) ||
        uninstall.empty()) {
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
        // The folder comes from a registry value: one that is a root, a folder of the system or
        // of the users, or holds the new installation or the running setup program is kept, and
        // the takeover goes on.
        if (!IsProtectedFolder(oldFolder, {target, SetupFolder()}) &&
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
