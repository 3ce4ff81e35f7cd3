#include "support.h"

#include "config.h"
#include "display.h"
#include "errorbox.h"
#include "failure.h"
#include "filesystem.h"
#include "folders.h"
#include "language.h"
#include "system.h"

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace instalio::test {

namespace {

std::string WindowText(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HICON IconOf(HWND iconControl) {
    LRESULT icon = SendMessageA(iconControl, STM_GETICON, 0, 0);
    return reinterpret_cast<HICON>(icon); // NOLINT(performance-no-int-to-ptr): a handle as LRESULT
}

ShownBox ReadBox(HWND box) {
    ShownBox shown;
    shown.title = WindowText(box);
    HICON errorIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32513)); // IDI_ERROR
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        std::string kind = ClassName(child);
        if (lstrcmpiA(kind.c_str(), "Button") == 0) {
            ++shown.buttons;
            shown.okButton = shown.okButton || GetDlgCtrlID(child) == IDOK;
        } else if (lstrcmpiA(kind.c_str(), "Static") == 0) {
            std::string text = WindowText(child);
            if (!text.empty()) {
                shown.text = text;
            } else if (IconOf(child) == errorIcon) {
                shown.errorIcon = true;
            }
        }
    }
    return shown;
}

struct Watch {
    std::mutex mutex;
    std::vector<ShownBox> boxes;
    std::set<HWND> seen;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM argument) {
    auto& watch = *reinterpret_cast<Watch*>(argument); // NOLINT(performance-no-int-to-ptr)
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
        ClassName(window) != "#32770" || watch.seen.count(window) != 0) {
        return TRUE;
    }
    watch.seen.insert(window);
    ShownBox box = ReadBox(window);
    {
        std::lock_guard<std::mutex> lock(watch.mutex);
        watch.boxes.push_back(box);
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
    return TRUE;
}

} // namespace

std::vector<ShownBox> BoxesShownBy(const std::function<void()>& action) {
    Watch watch;
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        while (!done) {
            EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&watch));
            Sleep(10);
        }
    });
    action();
    done = true;
    watcher.join();
    return watch.boxes;
}

void ResetEngineState() {
    SetupConfig = {};
    Titles = {};
    CurrentTitle.clear();
    CurrentLanguage.clear();
    LanguageTexts.assign(1, LanguageEntry{});
    InstallingFlag = false;
    System = PlatformQueries();
    frmMain = nullptr;
    SeccionActual = 0;
}

ScratchFolder::ScratchFolder() {
    static int count = 0;
    path_ = TempFolder() + "instalio-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++count) + "\\";
    fso::DeleteFolder(path_.substr(0, path_.size() - 1), true);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    fso::DeleteFolder(path_.substr(0, path_.size() - 1), true);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

bool SetReadOnly(const std::string& path, bool readOnly) {
    return SetFileAttributesA(path.c_str(),
                              readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

std::int32_t FailureNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const RunTimeFailure& failure) {
        return failure.number;
    }
    return 0;
}

} // namespace instalio::test
