#include "libraries.h"

#include "errorbox.h"
#include "files.h"
#include "filesystem.h"
#include "folders.h"
#include "process.h"
#include "resources.h"

#include <vector>

namespace instalio {

std::string FileMajorVersion(const std::string& FileName) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(FileName.c_str(), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(FileName.c_str(), 0, size, block.data())) {
        ShowSystemError("Dll Version: " + FileName, LastErrorOr(ERROR_RESOURCE_DATA_NOT_FOUND));
        return {};
    }
    void* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", &fixed, &length) || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    if (info->dwSignature != 0xFEEF04BD) {
        return {};
    }
    return std::to_string(HIWORD(info->dwFileVersionMS));
}

namespace {

// A major version as a number; -1 for a library without version information (or any text that
// is not a version number).
long MajorNumber(const std::string& major) {
    if (major.empty() || major.size() > 5 ||
        major.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    return std::stol(major);
}

} // namespace

int CompareMajorVersions(const std::string& a, const std::string& b) {
    long left = MajorNumber(a);
    long right = MajorNumber(b);
    return left < right ? -1 : left > right ? 1 : 0;
}

void MoveLibrary(const std::string& Source, const std::string& Destination) {
    DWORD error = ERROR_SUCCESS;
    if (fso::FileExists(Destination)) {
        std::string source = FileMajorVersion(Source);
        std::string installed = FileMajorVersion(Destination);
        if (CompareMajorVersions(source, installed) < 0) {
            error = fso::DeleteFile(Source, false);
        } else {
            error = fso::DeleteFile(Destination, true);
            if (error == ERROR_SUCCESS) {
                error = fso::MoveFile(Source, Destination);
            }
        }
    } else {
        error = fso::MoveFile(Source, Destination);
    }
    if (error != ERROR_SUCCESS) {
        ShowSystemError("Could not move dll: " + Destination, error);
    }
}

bool RegisterLibrary(const std::string& Path) {
    if (!fso::FileExists(Path)) {
        return true;
    }
    std::string tool = SystemProgram("regsvr32.exe");
    if (tool.empty()) {
        ShowSystemError("Could not register library : " + Path, ERROR_FILE_NOT_FOUND);
        return false;
    }
    ShellWait(tool + " \"" + Path + "\" /U /S");
    ShellWait(tool + " \"" + Path + "\" /S");
    return true;
}

bool InstallSystemOcx(const std::string& FileName) {
    std::string folder = SystemDirectory();
    if (folder.empty()) {
        return false; // SystemDirectory has shown its error box
    }
    std::string path = folder + FileName;
    if (fso::FileExists(path)) {
        RemoveFile(path, false);
    }
    if (fso::FileExists(path)) {
        return true;
    }
    if (!SaveResource(FileName, "DLLS", path)) {
        return true;
    }
    return RegisterLibrary(path);
}

} // namespace instalio
