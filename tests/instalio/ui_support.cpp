#include "ui_support.h"

#include "fixture_support.h"
#include "pump.h"
#include "vmcomctl.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace instalio::test {

namespace {

// Pumps until no input is waiting for this thread, and a little longer for what it started.
void Settle() {
    for (int round = 0; round < 200 && GetQueueStatus(QS_INPUT) != 0; ++round) {
        ui::DoEvents();
        Sleep(1);
    }
    Pump(20);
}

void SendOne(INPUT input) {
    SendInput(1, &input, sizeof input);
}

INPUT MouseInput(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        int width = GetSystemMetrics(SM_CXSCREEN);
        int height = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = MulDiv(screen.x, 65536, width) + 65536 / width / 2;
        input.mi.dy = MulDiv(screen.y, 65536, height) + 65536 / height / 2;
    }
    return input;
}

DWORD ButtonFlag(bool down, int button) {
    switch (button) {
    case 2:
        return down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
    case 4:
        return down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
    default:
        return down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    }
}

// The last press of the left button: where and when.
POINT lastPress{};
DWORD lastPressTime = 0;
bool pressedBefore = false;

// Sends a press of `button`; a left press that could make a double click with the last one
// waits first, unless it is meant to.
void Press(int button, bool secondOfDouble) {
    if (button == 1) {
        POINT at{};
        GetCursorPos(&at);
        const bool nearLast = pressedBefore &&
                              std::abs(at.x - lastPress.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                              std::abs(at.y - lastPress.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
        const DWORD apart = GetDoubleClickTime() + 50;
        while (nearLast && !secondOfDouble && GetTickCount() - lastPressTime < apart) {
            Pump(10);
        }
        lastPress = at;
        lastPressTime = GetTickCount();
        pressedBefore = true;
    }
    SendOne(MouseInput(ButtonFlag(true, button)));
    Settle();
}

void SendKey(WORD virtualKey, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendOne(input);
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBigEndian(out, Crc32(reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
}

// A zlib stream of `raw` in stored (uncompressed) blocks.
std::string StoredZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    std::size_t offset = 0;
    do {
        std::size_t length = std::min<std::size_t>(65535, raw.size() - offset);
        bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    PutBigEndian(out, (b << 16) | a);
    return out;
}

} // namespace

void Pump(int milliseconds) {
    DWORD start = GetTickCount();
    do {
        ui::DoEvents();
        Sleep(1);
    } while (GetTickCount() - start < static_cast<DWORD>(milliseconds));
}

void MouseMove(POINT screen) {
    SendOne(MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen));
    Settle();
}

void MouseDown(int button) {
    Press(button, false);
}

void MouseUp(int button) {
    SendOne(MouseInput(ButtonFlag(false, button)));
    Settle();
}

void MouseClick(POINT screen, int button) {
    MouseMove(screen);
    MouseDown(button);
    MouseUp(button);
}

void DoubleClick(POINT screen) {
    MouseMove(screen);
    Press(1, false);
    MouseUp(1);
    Press(1, true);
    MouseUp(1);
}

void KeyPress(WORD virtualKey) {
    SendKey(virtualKey, true);
    SendKey(virtualKey, false);
    Settle();
}

void ShiftKeyPress(WORD virtualKey) {
    SendKey(VK_SHIFT, true);
    SendKey(virtualKey, true);
    SendKey(virtualKey, false);
    SendKey(VK_SHIFT, false);
    Settle();
}

void TypeText(const std::string& text) {
    for (char c : text) {
        SHORT key = VkKeyScanA(c);
        bool shift = (key >> 8) & 1;
        if (shift) {
            SendKey(VK_SHIFT, true);
        }
        SendKey(static_cast<WORD>(key & 0xFF), true);
        SendKey(static_cast<WORD>(key & 0xFF), false);
        if (shift) {
            SendKey(VK_SHIFT, false);
        }
        Settle();
    }
}

void RunInputThread(const std::function<void()>& script) {
    std::atomic<bool> done{false};
    std::thread input([&] {
        script();
        done = true;
    });
    while (!done) {
        ui::DoEvents();
        Sleep(1);
    }
    input.join();
    Pump(50);
}

void SendMouseMove(POINT screen) {
    SendOne(MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen));
}

void SendMouseButton(bool down, int button) {
    SendOne(MouseInput(ButtonFlag(down, button)));
}

POINT ScreenPoint(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    return point;
}

POINT ScreenCentre(HWND window, const RECT& client) {
    return ScreenPoint(window, (client.left + client.right) / 2, (client.top + client.bottom) / 2);
}

ScreenPicture ScreenPicture::Capture(const RECT& screen) {
    ScreenPicture picture;
    picture.width_ = screen.right - screen.left;
    picture.height_ = screen.bottom - screen.top;
    picture.pixels_.assign(static_cast<std::size_t>(picture.width_) * picture.height_, 0);
    HDC screenDC = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screenDC);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width_;
    info.bmiHeader.biHeight = -picture.height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screenDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width_, picture.height_, screenDC, screen.left, screen.top,
           SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < picture.pixels_.size(); ++i) {
        picture.pixels_[i] = source[i] & 0x00FFFFFFu;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screenDC);
    return picture;
}

COLORREF ScreenPicture::At(int x, int y) const {
    std::uint32_t value = pixels_.at(static_cast<std::size_t>(y) * width_ + x);
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

int ScreenPicture::Count(COLORREF color, const RECT& area) const {
    int count = 0;
    for (int y = std::max(0L, area.top); y < std::min<LONG>(height_, area.bottom); ++y) {
        for (int x = std::max(0L, area.left); x < std::min<LONG>(width_, area.right); ++x) {
            count += At(x, y) == color ? 1 : 0;
        }
    }
    return count;
}

bool ScreenPicture::SavePng(const std::string& path) const {
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height_) * (1 + 3 * width_));
    for (int y = 0; y < height_; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < width_; ++x) {
            std::uint32_t value = pixels_[static_cast<std::size_t>(y) * width_ + x];
            raw.push_back(static_cast<char>((value >> 16) & 0xFF));
            raw.push_back(static_cast<char>((value >> 8) & 0xFF));
            raw.push_back(static_cast<char>(value & 0xFF));
        }
    }
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(width_));
    PutBigEndian(header, static_cast<std::uint32_t>(height_));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", "");
    std::ofstream file(path, std::ios::binary);
    file.write(png.data(), static_cast<std::streamsize>(png.size()));
    return file.good();
}

std::string PictureFolder() {
    std::string folder = INSTALIO_PICTURE_DIR;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

bool CommonControlsRegistered() {
    static const bool registered = RegisterBuiltLibrary(VMCOMCTL_FILE_NAME);
    return registered;
}

} // namespace instalio::test
