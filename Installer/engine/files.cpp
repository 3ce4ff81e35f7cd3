#include "files.h"

#include "errorbox.h"
#include "filesystem.h"
#include "owners.h"
#include "text.h"

namespace instalio {

void MoveFileReplace(const std::string& Source, const std::string& Destination) {
    DWORD error = ERROR_SUCCESS;
    if (fso::FileExists(Destination)) {
        error = fso::DeleteFile(Destination, false);
    }
    if (error == ERROR_SUCCESS) {
        error = fso::MoveFile(Source, Destination);
    }
    if (error != ERROR_SUCCESS) {
        ShowSystemError("Could not move file: " + Destination, error);
    }
}

bool RemoveFile(const std::string& Path, bool ShowMessage) {
    if (!fso::FileExists(Path)) {
        return true;
    }
    DWORD error = fso::DeleteFile(Path, true);
    if (error != ERROR_SUCCESS) {
        if (ShowMessage) {
            ShowSystemError("Could not remove file: " + Path, error);
        }
        return false;
    }
    return true;
}

std::string GetExtension(const std::string& FileName) {
    std::size_t dot = FileName.rfind('.');
    return LCase(dot == std::string::npos ? FileName : FileName.substr(dot + 1));
}

std::vector<std::string> FilesIn(const std::string& Folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    ScopedFind find(FindFirstFileA((Folder + "*").c_str(), &found));
    if (!find.valid()) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileA(find.get(), &found));
    return names;
}

} // namespace instalio
