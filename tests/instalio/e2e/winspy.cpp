// winspy: what the end-to-end tests cannot see from the X side. Run in the setup program's
// Wine sandbox (the same wineserver), it sees the program's windows:
//
//   winspy boxes [--wait MS] [--ok]   the visible message boxes, one line each: title TAB text
//                                     (line breaks as \n, tabs as \t, backslashes doubled);
//                                     --wait: wait up to MS for the first; --ok: then press OK
//   winspy edits TITLE                the text of every edit field of the window titled TITLE
//   winspy hold FILE                  open FILE without sharing, print "held", keep it open
//                                     until standard input ends
//
// Exit code 0, or 1 for a wrong command line or a file that cannot be held.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The message-box static that holds the text.
constexpr int kMessageTextId = 0xFFFF;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring Wide(const char* text) {
    int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
    return out;
}

std::wstring WindowText(HWND window) {
    wchar_t buffer[4096] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return buffer;
}

std::wstring ClassName(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

// One field of an output line: line breaks, tabs and backslashes escaped.
std::string Field(const std::wstring& text) {
    std::string out;
    for (char c : Utf8(text)) {
        switch (c) {
        case '\r':
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The visible top-level dialog windows that are message boxes (they carry the text static).
std::vector<HWND> MessageBoxes() {
    std::vector<HWND> boxes;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            if (IsWindowVisible(window) && ClassName(window) == L"#32770" &&
                GetDlgItem(window, kMessageTextId) != nullptr) {
                // NOLINTNEXTLINE(performance-no-int-to-ptr): the list handed to EnumWindows
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

// Presses the box's OK button (an OK-only box answers IDOK; a box without one, its first
// button).
void PressOk(HWND box) {
    HWND button = GetDlgItem(box, IDOK);
    int id = IDOK;
    if (button == nullptr) {
        button = FindWindowExW(box, nullptr, L"Button", nullptr);
        id = button != nullptr ? GetDlgCtrlID(button) : IDCANCEL;
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

int Boxes(int argc, char** argv) {
    DWORD wait = 0;
    bool ok = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wait") == 0 && i + 1 < argc) {
            wait = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--ok") == 0) {
            ok = true;
        } else {
            return 1;
        }
    }
    const DWORD start = GetTickCount();
    std::vector<HWND> boxes = MessageBoxes();
    while (boxes.empty() && GetTickCount() - start < wait) {
        Sleep(50);
        boxes = MessageBoxes();
    }
    for (HWND box : boxes) {
        HWND text = GetDlgItem(box, kMessageTextId);
        PrintLine(Field(WindowText(box)) + "\t" + Field(WindowText(text)));
    }
    if (ok) {
        for (HWND box : boxes) {
            PressOk(box);
        }
    }
    return 0;
}

int Edits(const char* title) {
    HWND window = FindWindowW(nullptr, Wide(title).c_str());
    if (window == nullptr) {
        return 1;
    }
    EnumChildWindows(
        window,
        [](HWND child, LPARAM) -> BOOL {
            if (_wcsicmp(ClassName(child).c_str(), L"Edit") == 0) {
                PrintLine(Field(WindowText(child)));
            }
            return TRUE;
        },
        0);
    return 0;
}

int Hold(const char* path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    PrintLine("held");
    char buffer[64];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    CloseHandle(file);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "boxes") == 0) {
        return Boxes(argc, argv);
    }
    if (argc == 3 && std::strcmp(argv[1], "edits") == 0) {
        return Edits(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
        return Hold(argv[2]);
    }
    std::fputs("usage: winspy boxes [--wait MS] [--ok] | edits TITLE | hold FILE\n", stderr);
    return 1;
}
