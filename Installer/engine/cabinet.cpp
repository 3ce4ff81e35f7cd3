#include "cabinet.h"

#include "clock.h"
#include "owners.h"
#include "resources.h"

#include <cstdint>

namespace instalio {

namespace {

// The fixed part of a cabinet's header, which every cabinet has in full.
constexpr std::uint64_t kCabinetHeaderBytes = 36;

// True when the file starts with the cabinet signature, holds at least the fixed header, and
// its length is the one the header gives.
bool HasWholeLength(const std::string& path) {
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size)) {
        return false;
    }
    unsigned char header[12] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), header, sizeof header, &got, nullptr) || got != sizeof header) {
        return false;
    }
    const std::uint32_t declared = header[8] | header[9] << 8 | header[10] << 16 |
                                   static_cast<std::uint32_t>(header[11]) << 24;
    const auto length = static_cast<std::uint64_t>(size.QuadPart);
    return header[0] == 'M' && header[1] == 'S' && header[2] == 'C' && header[3] == 'F' &&
           length >= kCabinetHeaderBytes && length == declared;
}

// Runs `commandLine` hidden and waits for its end, pumping window events. Its exit code; false
// when it could not start, or had to be ended after `limitMs`.
bool RunHidden(std::string commandLine, DWORD limitMs, DWORD& exitCode) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES; // and no output
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return false;
    }
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    const ULONGLONG until = GetTickCount64() + limitMs;
    while (WaitForObjectOrEvents(process.get(), 100) != WaitEnd::Signalled) {
        PumpPendingEvents();
        if (GetTickCount64() >= until) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
            return false;
        }
    }
    return GetExitCodeProcess(process.get(), &exitCode) != 0;
}

} // namespace

bool IsWholeCabinet(const std::string& path) {
    const std::size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos || !HasWholeLength(path)) {
        return false;
    }
    const std::string tool = path.substr(0, cut + 1) + "extract32.exe";
    std::string bytes;
    DWORD exitCode = 1;
    const bool ran =
        ReadResource("EXTRACT", "DLLS", bytes) == ERROR_SUCCESS &&
        WriteWholeFile(tool, bytes) == ERROR_SUCCESS &&
        RunHidden("\"" + tool + "\" /T \"" + path + "\"", kCabinetCheckMilliseconds, exitCode);
    DeleteFileA(tool.c_str());
    return ran && exitCode == 0;
}

} // namespace instalio
