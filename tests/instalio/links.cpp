#include "links.h"

#include "support.h"

#include "win.h"

#include <utility>

namespace instalio::test {

namespace {

using UnixNameOf = char*(CDECL*)(const wchar_t*);

// Wine's translation of a Windows path to the Linux path it stands for; null on Windows.
UnixNameOf WineUnixName() {
    return reinterpret_cast<UnixNameOf>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
}

std::string UnixPath(UnixNameOf unixName, const std::string& path) {
    std::wstring wide(path.begin(), path.end()); // the test paths are plain ASCII
    char* name = unixName(wide.c_str());
    std::string result = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a Linux program from Wine. Wine starts it without giving a process handle to wait on,
// so the caller waits for its effect.
bool RunLinuxProgram(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    if (process.hThread != nullptr) {
        CloseHandle(process.hThread);
    }
    if (process.hProcess != nullptr) {
        CloseHandle(process.hProcess);
    }
    return true;
}

// Waits up to five seconds for `path` to exist (or to be gone).
bool WaitFor(const std::string& path, bool exists) {
    for (int wait = 0; wait < 500; ++wait) {
        if ((GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == exists) {
            return true;
        }
        Sleep(10);
    }
    return false;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

TestLink::TestLink(std::string link, const std::string& target) : link_(std::move(link)) {
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    UnixNameOf unixName = WineUnixName();
    if (unixName == nullptr) {
        DWORD kind =
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
        made_ = CreateSymbolicLinkA(link_.c_str(), target.c_str(),
                                    kind | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
        return;
    }
    made_ = RunLinuxProgram("/bin/ln -s -- " + Quoted(UnixPath(unixName, target)) + " " +
                            Quoted(UnixPath(unixName, link_))) &&
            WaitFor(link_, true);
}

TestLink::~TestLink() {
    if (!made_) {
        return;
    }
    UnixNameOf unixName = WineUnixName();
    if (unixName == nullptr) {
        // A folder link goes with RemoveDirectoryA, a file link with DeleteFileA; neither touches
        // the target, and neither removes a real folder that has taken the link's place.
        DWORD attributes = GetFileAttributesA(link_.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveDirectoryA(link_.c_str());
            } else {
                DeleteFileA(link_.c_str());
            }
        }
        return;
    }
    // find deletes the path only when it is a symbolic link itself.
    if (RunLinuxProgram("/usr/bin/find " + Quoted(UnixPath(unixName, link_)) +
                        " -maxdepth 0 -type l -delete")) {
        WaitFor(link_, false);
    }
}

bool IsFolderLink(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
               (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

bool PlatformOpensLinks() {
    static const bool opens = [] {
        ScratchFolder scratch;
        CreateDirectoryA((scratch.path() + "target").c_str(), nullptr);
        TestLink link(scratch.path() + "link", scratch.path() + "target");
        HANDLE handle = CreateFileA(
            (scratch.path() + "link").c_str(), FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return false;
        }
        BY_HANDLE_FILE_INFORMATION information = {};
        bool itself = GetFileInformationByHandle(handle, &information) &&
                      (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        CloseHandle(handle);
        return itself;
    }();
    return opens;
}

} // namespace instalio::test
