#include "controls_support.h"

#include "fixture_support.h"
#include "vmcomctl.h"

#include <gtest/gtest.h>

namespace instalio::test {

namespace {

constexpr const char* kWindowClass = "InstalioControlTest";

void RegisterWindowClass() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ASSERT_TRUE(PostMessageA(window, message, wParam, lParam));
}

} // namespace

TestWindow::TestWindow() {
    static const bool registered = RegisterBuiltLibrary(VMCOMCTL_FILE_NAME);
    EXPECT_TRUE(registered);
    RegisterWindowClass();
    window_ = CreateWindowExA(0, kWindowClass, "Control test", WS_POPUP | WS_VISIBLE, 0, 0, 400,
                              400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(window_, nullptr);
    SetForegroundWindow(window_);
    Pump();
}

TestWindow::~TestWindow() {
    DestroyWindow(window_);
    Pump();
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Click(HWND window, POINT point) {
    const LPARAM at = MAKELPARAM(point.x, point.y);
    Post(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Post(window, WM_LBUTTONUP, 0, at);
    Pump();
}

void DoubleClick(HWND window, POINT point) {
    const LPARAM at = MAKELPARAM(point.x, point.y);
    Post(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Post(window, WM_LBUTTONUP, 0, at);
    Post(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    Post(window, WM_LBUTTONUP, 0, at);
    Pump();
}

void Press(HWND window, WORD key) {
    const UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    Post(window, WM_KEYDOWN, key, static_cast<LPARAM>(1 | scan << 16));
    Post(window, WM_KEYUP, key, static_cast<LPARAM>(1 | scan << 16 | 3u << 30));
    Pump();
}

namespace {

void SendAndPump(std::vector<INPUT> inputs) {
    ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
    for (int i = 0; i < 10; ++i) {
        Sleep(20);
        Pump();
    }
}

} // namespace

void InputClick(HWND window, POINT point) {
    ClientToScreen(window, &point);
    ASSERT_TRUE(SetCursorPos(point.x, point.y));
    INPUT down = {};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    INPUT up = down;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendAndPump({down, up});
}

void InputPress(WORD key) {
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    SendAndPump({down, up});
}

HBITMAP HalfMagenta(COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            SetPixel(dc, x, y, x < 8 ? colour : RGB(255, 0, 255));
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return pixel;
}

} // namespace instalio::test
