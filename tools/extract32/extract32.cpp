// extract32: unpacks the members of a cabinet into a folder, or tests the cabinet.
//
//   extract32.exe [/Y] CABINET /L FOLDER [*.*]
//   extract32.exe /T CABINET
//
// /Y   replaces existing files without asking, read-only, hidden and system ones too; without
//      it an existing file is kept.
// /L   the folder the members are placed under (created when missing); a drive alone ("D:")
//      stands for its root. A member stored with folders in its name lands in those folders
//      below it.
// *.*  selects every member, as does leaving it out.
// /T   tests the cabinet: every member is decompressed and dropped, nothing is written.
//
// The tool asks nothing and ends by itself. It never writes outside FOLDER: a member whose name
// is absolute, holds a drive or climbs out with "..", and a member that a link inside FOLDER (a
// junction or symbolic link, to a folder or a file) would take out of it, is skipped. Nor does
// it leave a partial or damaged file: each member is written under a temporary name in its
// folder, and put in place of the file of its name only once it came in full, its data
// checksums right. A member that fails leaves the file of its name as it was.
//
// Exit codes: 0 every member extracted (with /T: every member whole); 1 the command line is
// wrong; 2 the cabinet could not be opened or read; 3 some members were skipped (an unsafe name,
// or a file that could not be written), the others were extracted; 4 the cabinet is damaged (a
// data block whose checksum is wrong, data that does not decompress, a member cut short, or one
// that continues in another cabinet): the members before the damage were extracted, the damaged
// one and those after it were not, and the files of their names are as they were.

#include "owners.h"

#include <fdi.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using instalio::ScopedHandle;

enum ExitCode { kDone = 0, kUsage = 1, kCabinetFailed = 2, kSkipped = 3, kDamaged = 4 };

struct Options {
    bool overwrite = false;
    bool test = false;
    std::wstring cabinet;
    std::wstring folder;
};

bool ParseCommandLine(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::wstring argument = argv[i];
        if (_wcsicmp(argument.c_str(), L"/Y") == 0) {
            options.overwrite = true;
        } else if (_wcsicmp(argument.c_str(), L"/T") == 0) {
            options.test = true;
        } else if (_wcsicmp(argument.c_str(), L"/L") == 0) {
            if (++i == argc) {
                return false;
            }
            options.folder = argv[i];
        } else if (argument == L"*.*" || argument == L"*") {
            // every member, which is all the tool extracts
        } else if (argument[0] == L'/' || !options.cabinet.empty()) {
            return false;
        } else {
            options.cabinet = argument;
        }
    }
    if (options.test) {
        return !options.cabinet.empty() && options.folder.empty() && !options.overwrite;
    }
    return !options.cabinet.empty() && !options.folder.empty();
}

// A member name that stays below the folder: relative, without a drive or stream (":"), and
// without an empty or ".." component. Both "\" and "/" separate components.
bool IsSafeMemberName(const std::wstring& name) {
    if (name.empty() || name.find(L':') != std::wstring::npos) {
        return false;
    }
    std::size_t start = 0;
    while (true) {
        std::size_t end = name.find_first_of(L"\\/", start);
        std::wstring component = name.substr(start, end - start);
        if (component.empty() || component == L"..") {
            return false;
        }
        if (end == std::wstring::npos) {
            return true;
        }
        start = end + 1;
    }
}

std::wstring FullPath(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return {};
    }
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return {};
    }
    full.resize(length);
    return full;
}

bool CreateFolderTree(const std::wstring& folder) {
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    std::size_t cut = folder.find_last_of(L'\\');
    if (cut != std::wstring::npos && cut > 0 && folder[cut - 1] != L':' &&
        folder[cut - 1] != L'\\' && !CreateFolderTree(folder.substr(0, cut))) {
        return false;
    }
    return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// --- The cabinet library's callbacks -------------------------------------------------------

struct Extraction;

// A file as the cabinet library's callbacks see it (the library's file handles point to these):
// the cabinet, opened by the library's open callback and freed by its close callback, or the
// member being decompressed, a part of the run.
struct CabFile {
    Extraction* run = nullptr; // the run whose member this is; null for the cabinet
    ScopedHandle handle;       // the open file; none for a member under test
};

struct Extraction {
    Extraction() { member.run = this; }
    Extraction(const Extraction&) = delete;
    Extraction& operator=(const Extraction&) = delete;

    const Options* options = nullptr;
    std::wstring base;     // the destination folder, full path, ending in "\"
    std::wstring resolved; // its final path, through every link, ending in "\"
    // The member being decompressed: the path it goes to, the temporary file it is written into
    // (none when testing), its size and the bytes so far.
    bool open = false;
    std::wstring path;
    std::wstring temporary;
    CabFile member;
    ULONG size = 0;
    ULONG written = 0;
    bool begun = false; // a member has begun: a failure from here on is damage, not a bad file
    int skipped = 0;
    int damaged = 0;
};

// The final path of an open file or folder, through every link; empty when it cannot be told.
std::wstring FinalPathOf(HANDLE handle) {
    DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, VOLUME_NAME_DOS);
    if (size == 0) {
        return {};
    }
    std::wstring path(size, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, path.data(), size, VOLUME_NAME_DOS);
    if (length == 0 || length >= size) {
        return {};
    }
    path.resize(length);
    return path;
}

// True when the open file or folder lies inside the destination folder, wherever links led.
bool IsInside(const Extraction& run, HANDLE handle) {
    std::wstring path = FinalPathOf(handle);
    return path.size() > run.resolved.size() &&
           CompareStringOrdinal(path.c_str(), static_cast<int>(run.resolved.size()),
                                run.resolved.c_str(), static_cast<int>(run.resolved.size()),
                                TRUE) == CSTR_EQUAL;
}

struct DestroyFdi {
    void operator()(HFDI fdi) const { FDIDestroy(fdi); }
};
using ScopedFdi = instalio::ScopedResource<HFDI, DestroyFdi>;

ScopedHandle OpenExisting(const std::wstring& path, DWORD access) {
    return ScopedHandle(CreateFileW(path.c_str(), access,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// Creates every missing folder of `path` below the destination folder. A folder already there
// must lie inside the destination folder once links are followed, so that nothing is created
// through a link.
bool CreateFoldersBelow(const Extraction& run, const std::wstring& path) {
    for (std::size_t at = path.find(L'\\', run.base.size()); at != std::wstring::npos;
         at = path.find(L'\\', at + 1)) {
        std::wstring folder = path.substr(0, at);
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            continue;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
        ScopedHandle existing = OpenExisting(folder, FILE_READ_ATTRIBUTES);
        if (!existing.valid() || !IsInside(run, existing.get())) {
            return false;
        }
    }
    return true;
}

// Gives the existing file at `path`, inside the destination folder, the normal attribute, so that
// it can be replaced: the platform refuses to write a read-only file, and to replace a hidden or
// system one.
bool MakeReplaceable(const Extraction& run, const std::wstring& path) {
    ScopedHandle file = OpenExisting(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    FILE_BASIC_INFO basic = {}; // times of zero are left as they are
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return file.valid() && IsInside(run, file.get()) &&
           SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic) != 0;
}

// The run that a processor fault inside the cabinet library must clean up: the fault filter is
// the one callback that cannot be given the run. Set while the library works.
Extraction* faultingRun = nullptr;

INT_PTR AsFileHandle(CabFile& file) {
    return reinterpret_cast<INT_PTR>(&file);
}

CabFile& FileOf(INT_PTR hf) {
    return *reinterpret_cast<CabFile*>(hf); // NOLINT(performance-no-int-to-ptr)
}

// The library's open callback takes nothing but the cabinet name given to FDICopy (the cabinet's
// own path is UTF-16, which the library's 8-bit names cannot carry): that name is the run's
// address, in hexadecimal.
std::string CabinetName(const Extraction& run) {
    char digits[2 * sizeof(std::uintptr_t) + 1] = {};
    std::to_chars(digits, digits + sizeof digits - 1, reinterpret_cast<std::uintptr_t>(&run), 16);
    return digits;
}

const Extraction* RunNamed(const char* name) {
    std::uintptr_t address = 0;
    const char* end = name + std::strlen(name);
    auto parsed = std::from_chars(name, end, address, 16);
    if (parsed.ec != std::errc() || parsed.ptr != end || address == 0) {
        return nullptr;
    }
    return reinterpret_cast<const Extraction*>(address); // NOLINT(performance-no-int-to-ptr)
}

FNALLOC(Allocate) {
    return std::malloc(cb);
}
FNFREE(Release) {
    std::free(pv);
}
FNOPEN(OpenCabinet) {
    (void)oflag;
    (void)pmode;
    const Extraction* run = RunNamed(pszFile);
    if (run == nullptr) {
        return -1;
    }
    auto cabinet = std::make_unique<CabFile>();
    cabinet->handle.reset(CreateFileW(run->options->cabinet.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!cabinet->handle.valid()) {
        return -1;
    }
    return AsFileHandle(*cabinet.release()); // freed by Close
}
FNREAD(Read) {
    DWORD done = 0;
    return ReadFile(FileOf(hf).handle.get(), pv, cb, &done, nullptr) ? done : static_cast<UINT>(-1);
}
FNWRITE(Write) {
    CabFile& file = FileOf(hf);
    if (file.run != nullptr && file.run->options->test) {
        file.run->written += cb;
        return cb;
    }
    DWORD done = 0;
    if (!WriteFile(file.handle.get(), pv, cb, &done, nullptr)) {
        return static_cast<UINT>(-1);
    }
    if (file.run != nullptr) {
        file.run->written += done;
    }
    return done;
}
FNCLOSE(Close) {
    CabFile& file = FileOf(hf);
    HANDLE handle = file.handle.release();
    if (file.run == nullptr) {
        delete &file; // the cabinet, made by OpenCabinet
    }
    return handle == nullptr || CloseHandle(handle) ? 0 : -1;
}
FNSEEK(Seek) {
    DWORD method = seektype == SEEK_CUR   ? FILE_CURRENT
                   : seektype == SEEK_END ? FILE_END
                                          : FILE_BEGIN;
    DWORD position = SetFilePointer(FileOf(hf).handle.get(), dist, nullptr, method);
    return position == INVALID_SET_FILE_POINTER ? -1 : static_cast<__LONG32>(position);
}

std::wstring MemberName(const FDINOTIFICATION& note) {
    UINT codePage = (note.attribs & _A_NAME_IS_UTF) != 0 ? CP_UTF8 : CP_ACP;
    int length = MultiByteToWideChar(codePage, 0, note.psz1, -1, nullptr, 0);
    if (length <= 1) {
        return {};
    }
    std::wstring name(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, note.psz1, -1, name.data(), length);
    name.resize(static_cast<std::size_t>(length - 1));
    return name;
}

INT_PTR Skip(Extraction& run, const char* why, const FDINOTIFICATION& note) {
    std::fprintf(stderr, "extract32: skipped %s: %s\n", note.psz1, why);
    ++run.skipped;
    return 0;
}

// Drops the member being decompressed: its temporary file is closed and removed, and the file
// of its name stays as it was.
void DropMember(Extraction& run) {
    run.member.handle.reset();
    if (!run.temporary.empty()) {
        DeleteFileW(run.temporary.c_str());
        run.temporary.clear();
    }
    run.open = false;
}

// A processor fault inside the cabinet library (its decompressor on damaged data) ends the tool
// as for damage, without the member it was writing.
LONG WINAPI OnFault(EXCEPTION_POINTERS*) {
    if (faultingRun != nullptr) {
        DropMember(*faultingRun);
    }
    static const char message[] = "extract32: the cabinet is damaged (its data made the cabinet "
                                  "library fail)\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, sizeof message - 1, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), kDamaged);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Starts a member under test: its bytes are counted and dropped.
INT_PTR BeginTest(Extraction& run, const FDINOTIFICATION& note) {
    run.open = true;
    run.size = static_cast<ULONG>(note.cb);
    run.written = 0;
    return AsFileHandle(run.member);
}

// Opens the temporary file for a member, or returns 0 to skip it. The file of its name is only
// looked at here; it is replaced once the member came in full (EndMember).
INT_PTR BeginMember(Extraction& run, const FDINOTIFICATION& note) {
    std::wstring name = MemberName(note);
    if (!IsSafeMemberName(name)) {
        return Skip(run, "its name leaves the folder", note);
    }
    for (wchar_t& c : name) {
        c = c == L'/' ? L'\\' : c;
    }
    std::wstring path = FullPath(run.base + name);
    if (path.size() <= run.base.size() ||
        CompareStringOrdinal(path.c_str(), static_cast<int>(run.base.size()), run.base.c_str(),
                             static_cast<int>(run.base.size()), TRUE) != CSTR_EQUAL) {
        return Skip(run, "its name leaves the folder", note);
    }
    if (!CreateFoldersBelow(run, path)) {
        return Skip(run, "its folder cannot be created inside the folder", note);
    }
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (!run.options->overwrite) {
            return Skip(run, "the file exists", note);
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return Skip(run, "the file there cannot be replaced", note);
        }
        // A link in the member's place must not lead the replacement elsewhere.
        ScopedHandle existing = OpenExisting(path, FILE_READ_ATTRIBUTES);
        if (!existing.valid() || !IsInside(run, existing.get())) {
            return Skip(run, "a link takes it out of the folder", note);
        }
    }
    // The temporary file, a new one in the member's folder, so that the finished member takes
    // the place of the old file in one step.
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    wchar_t temporary[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), L"x32", 0, temporary) == 0) {
        return Skip(run, "the file cannot be written", note);
    }
    run.temporary = temporary;
    ScopedHandle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || !IsInside(run, file.get())) {
        DropMember(run);
        return Skip(run, "the file cannot be written inside the folder", note);
    }
    run.open = true;
    run.path = path;
    run.size = static_cast<ULONG>(note.cb);
    run.written = 0;
    run.member.handle = std::move(file); // closed by EndMember, or by DropMember
    return AsFileHandle(run.member);
}

// Puts a member that came in full in place of the file of its name, with its date and
// attributes. A member cut short is dropped as damaged; one whose file cannot be replaced is
// dropped as skipped.
INT_PTR EndMember(Extraction& run, const FDINOTIFICATION& note) {
    if (run.written != run.size) {
        std::fprintf(stderr, "extract32: %s did not come in full: its data is damaged\n",
                     note.psz1);
        DropMember(run);
        ++run.damaged;
        return TRUE;
    }
    if (run.options->test) {
        run.open = false;
        return TRUE;
    }
    FILETIME local;
    FILETIME utc;
    if (DosDateTimeToFileTime(note.date, note.time, &local) &&
        LocalFileTimeToFileTime(&local, &utc)) {
        SetFileTime(run.member.handle.get(), nullptr, nullptr, &utc);
    }
    run.member.handle.reset();

    const DWORD old = GetFileAttributesW(run.path.c_str());
    const bool protectedFile =
        old != INVALID_FILE_ATTRIBUTES &&
        (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    if ((protectedFile && !MakeReplaceable(run, run.path)) ||
        !MoveFileExW(run.temporary.c_str(), run.path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        if (protectedFile) {
            SetFileAttributesW(run.path.c_str(), old);
        }
        DropMember(run);
        Skip(run, "the file there cannot be replaced", note);
        return TRUE;
    }
    run.temporary.clear();
    run.open = false;
    DWORD attributes = note.attribs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                       FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if (attributes != 0) {
        SetFileAttributesW(run.path.c_str(), attributes);
    }
    return TRUE;
}

FNFDINOTIFY(Notify) {
    Extraction& run = *static_cast<Extraction*>(pfdin->pv);
    switch (fdint) {
    case fdintCOPY_FILE:
        run.begun = true;
        return run.options->test ? BeginTest(run, *pfdin) : BeginMember(run, *pfdin);
    case fdintCLOSE_FILE_INFO:
        return EndMember(run, *pfdin);
    case fdintPARTIAL_FILE:
        if (run.options->test) {
            ++run.damaged;
            return 0;
        }
        return Skip(run, "it begins in an earlier cabinet", *pfdin);
    case fdintNEXT_CABINET:
        return -1; // cabinet sets spanning several files are not supported
    default:
        return 0;
    }
}

// Runs the cabinet library over the cabinet: extracts (or tests) every member. The exit code.
int Unpack(Extraction& run) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnFault);

    ERF error = {};
    BOOL copied = FALSE;
    faultingRun = &run;
    {
        ScopedFdi fdi(FDICreate(Allocate, Release, OpenCabinet, Read, Write, Close, Seek,
                                cpuUNKNOWN, &error));
        if (!fdi.valid()) {
            std::fprintf(stderr, "extract32: the cabinet library cannot start\n");
            return kCabinetFailed;
        }
        std::string name = CabinetName(run);
        char path[] = "";
        copied = FDICopy(fdi.get(), name.data(), path, 0, Notify, nullptr, &run);
    }
    faultingRun = nullptr;
    if (run.open) {
        DropMember(run); // the library stopped inside it
        ++run.damaged;
    }
    if (!copied) {
        std::fprintf(stderr, "extract32: the cabinet cannot be read (error %d)\n", error.erfOper);
        return run.begun ? kDamaged : kCabinetFailed;
    }
    return run.damaged != 0 ? kDamaged : run.skipped != 0 ? kSkipped : kDone;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!ParseCommandLine(argc, argv, options)) {
        std::fprintf(stderr, "usage: extract32 [/Y] CABINET /L FOLDER [*.*]\n"
                             "       extract32 /T CABINET\n");
        return kUsage;
    }
    if (!ScopedHandle(CreateFileW(options.cabinet.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
             .valid()) {
        std::fprintf(stderr, "extract32: the cabinet cannot be opened\n");
        return kCabinetFailed;
    }
    Extraction run;
    run.options = &options;
    if (options.test) {
        return Unpack(run);
    }

    // "D:" alone would name the drive's current folder; the caller means the drive's root.
    if (options.folder.size() == 2 && options.folder[1] == L':') {
        options.folder += L'\\';
    }
    run.base = FullPath(options.folder);
    if (run.base.empty() || !CreateFolderTree(run.base)) {
        std::fprintf(stderr, "extract32: the folder cannot be created\n");
        return kCabinetFailed;
    }
    if (run.base.back() != L'\\') {
        run.base += L'\\';
    }
    ScopedHandle folder = OpenExisting(run.base, FILE_READ_ATTRIBUTES);
    if (folder.valid()) {
        run.resolved = FinalPathOf(folder.get());
    }
    if (run.resolved.empty()) {
        std::fprintf(stderr, "extract32: the folder cannot be opened\n");
        return kCabinetFailed;
    }
    if (run.resolved.back() != L'\\') {
        run.resolved += L'\\';
    }
    return Unpack(run);
}
