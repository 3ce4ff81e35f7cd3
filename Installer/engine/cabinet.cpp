#include "cabinet.h"

#include "clock.h"
#include "owners.h"
#include "process.h"
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

} // namespace

bool IsWholeCabinet(const std::string& path) {
    const std::size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos || !HasWholeLength(path)) {
        return false;
    }
    const std::string tool = path.substr(0, cut + 1) + "extract32.exe";
    std::string bytes;
    DWORD exitCode = 1;
    // On the platform's own pump and waits, not the engine's clock: the check is not one of the
    // update check's pauses and pumps that the engine's clock runs.
    const bool ran =
        ReadResource("EXTRACT", "DLLS", bytes) == ERROR_SUCCESS &&
        WriteWholeFile(tool, bytes) == ERROR_SUCCESS &&
        RunHidden("\"" + tool + "\" /T \"" + path + "\"", ChildOutput::None,
                  kCabinetCheckMilliseconds, SystemClock(), exitCode) == ChildEnd::Ended;
    DeleteFileA(tool.c_str());
    return ran && exitCode == 0;
}

} // namespace instalio
