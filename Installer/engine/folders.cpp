#include "folders.h"

#include "errorbox.h"
#include "filesystem.h"
#include "system.h"
#include "text.h"

#include <shlobj.h>

namespace instalio {

namespace {

std::string WithoutFinalSlash(const std::string& path) {
    return EndsWith(path, "\\") ? path.substr(0, path.size() - 1) : path;
}

} // namespace

bool CreateDirectory(const std::string& Path) {
    DWORD error = ERROR_SUCCESS;
    if (!fso::FolderExists(Path)) {
        error = CreateDirectoryTree(Path);
    }
    if (error != ERROR_SUCCESS) {
        ShowSystemError("Error in CreateDirectory():" + Path, error);
        return false;
    }
    return true;
}

bool CreateRealDirectory(const std::string& Path) {
    const std::string folder = WithoutFinalSlash(Path);
    if (fso::IsFolderLink(folder) && !RemoveDirectory(Path, true)) {
        return false;
    }
    CreateDirectory(Path);
    return !fso::IsFolderLink(folder);
}

DWORD CreateDirectoryTree(const std::string& Path) {
    const std::string scan = Path + "\\";
    std::size_t position = 0; // 1-based position of the last "\" found, as the walk counts
    do {
        position = scan.find('\\', position) + 1;
        std::string prefix = Path.substr(0, position - 1);
        if (!EndsWith(prefix, ":") && !fso::FolderExists(prefix)) {
            DWORD error = fso::CreateFolder(prefix);
            if (error != ERROR_SUCCESS) {
                return error;
            }
        }
    } while (position < Path.size());
    return ERROR_SUCCESS;
}

bool RemoveDirectory(const std::string& Path, bool ShowMessage) {
    const std::string folder = WithoutFinalSlash(Path);
    if (!fso::FolderExists(folder)) {
        return true;
    }
    DWORD error = fso::DeleteFolder(folder, true);
    if (error != ERROR_SUCCESS) {
        if (ShowMessage) {
            ShowSystemError("Could not remove directory: " + folder, error);
        }
        return false;
    }
    return true;
}

std::string SystemDirectory() {
    char buffer[512] = {};
    UINT length = Is32BitWindows() ? GetSystemDirectoryA(buffer, sizeof buffer)
                                   : GetSystemWow64DirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) {
        ShowSystemError("Error in SystemDirectory() invoke:",
                        length == 0 ? LastErrorOr(ERROR_PATH_NOT_FOUND)
                                    : ERROR_INSUFFICIENT_BUFFER);
        return {};
    }
    return std::string(buffer, length) + "\\";
}

bool IsFullPath(const std::string& Path) {
    return (Path.size() >= 3 && Path[1] == ':' && Path[2] == '\\') || Path.rfind("\\\\", 0) == 0;
}

std::string FullPathOf(const std::string& Path) {
    DWORD size = GetFullPathNameA(Path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return Path;
    }
    std::string full(size, '\0');
    DWORD length = GetFullPathNameA(Path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return Path;
    }
    full.resize(length);
    return full;
}

std::string TempFolder() {
    char buffer[512] = {};
    DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length >= sizeof buffer) {
        return {};
    }
    return std::string(buffer, length);
}

std::string SetupFolder() {
    char path[MAX_PATH * 2] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length < sizeof path ? length : 0);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string SpecialFolder(int Csidl) {
    char buffer[261] = {};
    SHGetSpecialFolderPathA(nullptr, buffer, Csidl, FALSE);
    buffer[sizeof buffer - 1] = '\0';
    return std::string(buffer) + "\\";
}

std::string ProgramFilesFolder() {
    return SpecialFolder(Csidl::ProgramFiles);
}

std::string AppDataFolder() {
    return SpecialFolder(Csidl::AppData);
}

} // namespace instalio
