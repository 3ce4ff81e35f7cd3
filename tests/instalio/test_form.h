// A form for the window tests: its description and its load and mouse events are set by the
// test, and its elements are declared by the test after it.
#pragma once

#include "form.h"
#include "picture.h"

#include <functional>
#include <string>

namespace instalio::test {

class TestForm : public ui::Form {
public:
    TestForm() : Form("frmTest") { SetCaption("Instalio test form"); }
    // Unloads the form; the quit request of the last unloaded form is taken back, for the next
    // test's windows.
    ~TestForm() override {
        Unload();
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    ui::Description rows;
    std::function<void()> onLoad;
    std::function<void(int Button, int Shift, int X, int Y)> onMouseDown;
    std::function<void()> onClose;

protected:
    ui::Description Layout() const override { return rows; }
    void Form_Load() override {
        if (onLoad) {
            onLoad();
        }
    }
    void Form_MouseDown(int Button, int Shift, int X, int Y) override {
        if (onMouseDown) {
            onMouseDown(Button, Shift, X, Y);
        }
    }
    void Form_QueryClose() override {
        if (onClose) {
            onClose();
        } else {
            Unload();
        }
    }
};

// A 24-bit picture of `width` x `height` pixels in `color`, with `paint` run on its pixels
// (x, y) -> colour where given.
ui::PicturePtr MakePicture(int width, int height, COLORREF color,
                           const std::function<COLORREF(int x, int y, COLORREF color)>& paint = {});

// The screen rectangle of a window.
RECT WindowRect(HWND window);

} // namespace instalio::test
