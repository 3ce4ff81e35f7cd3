#include "filesystem.h"

#include "errorbox.h"
#include "owners.h"

namespace instalio::fso {

namespace {

DWORD Attributes(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
}

bool ClearReadOnly(const std::string& path, DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
           SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

// Removes the link `path` itself. The link is opened as such and deleted through that handle;
// a platform that opens what the link points at instead (Wine does) gets a refusal, never a
// deletion there.
DWORD DeleteLink(const std::string& path, bool force) {
    ScopedHandle link(
        CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!link.valid()) {
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(link.get(), &information)) {
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return ERROR_NOT_A_REPARSE_POINT;
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        if (!force) {
            return ERROR_ACCESS_DENIED;
        }
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = information.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
        if (!SetFileInformationByHandle(link.get(), FileBasicInfo, &basic, sizeof basic)) {
            return LastErrorOr(ERROR_ACCESS_DENIED);
        }
    }
    FILE_DISPOSITION_INFO disposition = {TRUE}; // its one member, DeleteFile
    if (!SetFileInformationByHandle(link.get(), FileDispositionInfo, &disposition,
                                    sizeof disposition)) {
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    return ERROR_SUCCESS;
}

DWORD DeleteTree(const std::string& folder, bool force) {
    WIN32_FIND_DATAA found;
    {
        ScopedFind find(FindFirstFileA((folder + "\\*").c_str(), &found));
        if (!find.valid()) {
            return LastErrorOr(ERROR_PATH_NOT_FOUND);
        }
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string path = folder + "\\" + name;
            DWORD attributes = found.dwFileAttributes;
            DWORD error = ERROR_SUCCESS;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                error = DeleteFile(path, force);
            } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                error = DeleteLink(path, force);
            } else {
                error = DeleteTree(path, force);
            }
            if (error != ERROR_SUCCESS) {
                return error;
            }
        } while (FindNextFileA(find.get(), &found));
    }
    DWORD attributes = Attributes(folder);
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 && !force) {
        return ERROR_ACCESS_DENIED;
    }
    if (!ClearReadOnly(folder, attributes) || !RemoveDirectoryA(folder.c_str())) {
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    return ERROR_SUCCESS;
}

} // namespace

bool FileExists(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

DWORD DeleteFile(const std::string& path, bool force) {
    DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return ERROR_FILE_NOT_FOUND;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        if (!force) {
            return ERROR_ACCESS_DENIED;
        }
        if (!ClearReadOnly(path, attributes)) {
            return LastErrorOr(ERROR_ACCESS_DENIED);
        }
    }
    if (!DeleteFileA(path.c_str())) {
        DWORD error = LastErrorOr(ERROR_ACCESS_DENIED);
        if (attributes != GetFileAttributesA(path.c_str())) {
            SetFileAttributesA(path.c_str(), attributes); // a file that stays keeps its state
        }
        return error;
    }
    return ERROR_SUCCESS;
}

bool IsFolderLink(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

DWORD DeleteFolder(const std::string& path, bool force) {
    if (!FolderExists(path)) {
        return ERROR_PATH_NOT_FOUND;
    }
    return IsFolderLink(path) ? DeleteLink(path, force) : DeleteTree(path, force);
}

DWORD MoveFile(const std::string& source, const std::string& destination) {
    if (!FileExists(source)) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (Attributes(destination) != INVALID_FILE_ATTRIBUTES) {
        return ERROR_ALREADY_EXISTS;
    }
    if (!MoveFileExA(source.c_str(), destination.c_str(), MOVEFILE_COPY_ALLOWED)) {
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    return ERROR_SUCCESS;
}

DWORD CreateFolder(const std::string& path) {
    if (path.empty()) {
        return ERROR_PATH_NOT_FOUND;
    }
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
        return LastErrorOr(ERROR_PATH_NOT_FOUND);
    }
    return ERROR_SUCCESS;
}

DWORD CopyFile(const std::string& source, const std::string& destination, bool overwrite) {
    if (!FileExists(source)) {
        return ERROR_FILE_NOT_FOUND;
    }
    DWORD attributes = Attributes(destination);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (!overwrite) {
            return ERROR_FILE_EXISTS;
        }
        // Refused as Windows refuses it (Wine running as root would write it all the same).
        if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
            return ERROR_ACCESS_DENIED;
        }
    }
    if (!CopyFileA(source.c_str(), destination.c_str(), !overwrite)) {
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    return ERROR_SUCCESS;
}

} // namespace instalio::fso
