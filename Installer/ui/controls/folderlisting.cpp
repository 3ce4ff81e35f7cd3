#include "folderlisting.h"

#include "failure.h"
#include "owners.h"

#include <algorithm>
#include <cctype>

namespace instalio::ui {

namespace {

constexpr std::int32_t kDeviceUnavailable = 68;
constexpr std::int32_t kPathNotFound = 76;
constexpr std::int32_t kPathAccess = 75;

std::vector<std::string> PlatformDrives() {
    std::vector<std::string> drives;
    DWORD mask = GetLogicalDrives();
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        if (!(mask & (1u << (letter - 'a')))) {
            continue;
        }
        std::string entry = std::string(1, letter) + ":";
        std::string root = entry + "\\";
        // Only fixed drives are asked for their label: asking a drive for removable media
        // would wait for it.
        char label[MAX_PATH + 1] = {};
        if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED &&
            GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr,
                                  nullptr, 0) &&
            label[0] != '\0') {
            entry += " [" + std::string(label) + "]";
        }
        drives.push_back(entry);
    }
    return drives;
}

UINT PlatformDriveType(const std::string& entry) {
    return GetDriveTypeA(entry.c_str());
}

bool LessByName(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::vector<std::string> PlatformSubFolders(const std::string& folder) {
    std::string root = folder.substr(0, 3);
    UINT type = GetDriveTypeA(root.c_str());
    if ((type == DRIVE_REMOVABLE || type == DRIVE_CDROM) &&
        !GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
        throw RunTimeFailure{kDeviceUnavailable, "Device unavailable"};
    }
    WIN32_FIND_DATAA found;
    ScopedFind search(FindFirstFileA((folder + "*").c_str(), &found));
    if (!search.valid()) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return {}; // an empty folder
        }
        if (error == ERROR_NOT_READY) {
            throw RunTimeFailure{kDeviceUnavailable, "Device unavailable"};
        }
        if (error == ERROR_ACCESS_DENIED) {
            throw RunTimeFailure{kPathAccess, "Path/File access error"};
        }
        throw RunTimeFailure{kPathNotFound, "Path not found"};
    }
    const std::string base = folder.substr(0, folder.size() - 1);
    std::vector<std::string> folders;
    do {
        std::string name = found.cFileName;
        const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(found.dwFileAttributes & hidden) && name != "." && name != "..") {
            folders.push_back(base + "\\" + name);
        }
    } while (FindNextFileA(search.get(), &found));
    std::sort(folders.begin(), folders.end(), LessByName);
    return folders;
}

} // namespace

FolderListing PlatformListing() {
    return {PlatformDrives, PlatformDriveType, PlatformSubFolders};
}

FolderListing Listing = PlatformListing();

} // namespace instalio::ui
