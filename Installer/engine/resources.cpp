#include "resources.h"

#include "errorbox.h"
#include "owners.h"

#include <algorithm>

namespace instalio {

// A read-only file is refused as Windows refuses it (Wine running as root would write it all the
// same).
DWORD WriteWholeFile(const std::string& fileName, const std::string& bytes) {
    DWORD attributes = GetFileAttributesA(fileName.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    ScopedHandle file(CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return LastErrorOr(ERROR_OPEN_FAILED);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) {
            return LastErrorOr(ERROR_WRITE_FAULT);
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT;
        }
        done += written;
    }
    if (!SetEndOfFile(file.get())) {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    return ERROR_SUCCESS;
}

DWORD ReadResource(const std::string& name, const std::string& type, std::string& bytes) {
    HRSRC info = FindResourceA(nullptr, name.c_str(), type.c_str());
    if (info == nullptr) {
        return LastErrorOr(ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    DWORD size = SizeofResource(nullptr, info);
    HGLOBAL data = LoadResource(nullptr, info);
    const void* locked = data != nullptr ? LockResource(data) : nullptr;
    if (locked == nullptr && size != 0) {
        return LastErrorOr(ERROR_RESOURCE_DATA_NOT_FOUND);
    }
    if (size == 0) {
        bytes.clear();
    } else {
        bytes.assign(static_cast<const char*>(locked), size);
    }
    return ERROR_SUCCESS;
}

bool SaveResource(const std::string& ResName, const std::string& ResType,
                  const std::string& FileName) {
    std::string bytes;
    DWORD error = ReadResource(ResName, ResType, bytes);
    if (error == ERROR_SUCCESS) {
        error = WriteWholeFile(FileName, bytes);
    }
    if (error != ERROR_SUCCESS) {
        ShowSystemError("Could not save resource file: " + FileName, error);
        return false;
    }
    return true;
}

} // namespace instalio
