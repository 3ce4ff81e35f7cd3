// Shaped windows: the region made from a picture (against the region built run by run with one
// colour read per pixel), the window sized to its picture, and dragging by the background.
#include "clock.h"
#include "label.h"
#include "shapedform.h"
#include "test_form.h"
#include "ui_support.h"

#include <gtest/gtest.h>

namespace instalio::test {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kBlue = RGB(0, 78, 152);

// The region as it was always built: the whole picture, less one rectangle for every run of
// magenta pixels in a row, each colour read with GetPixel.
HRGN RegionRunByRun(const ui::Picture& picture) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, picture.Bitmap());
    BITMAP bitmap{};
    GetObjectA(picture.Bitmap(), sizeof bitmap, &bitmap);
    HRGN region = CreateRectRgn(0, 0, bitmap.bmWidth, bitmap.bmHeight);
    for (int y = 0; y < bitmap.bmHeight; ++y) {
        int x = 0;
        while (x < bitmap.bmWidth) {
            while (x < bitmap.bmWidth && GetPixel(dc, x, y) != kMagenta) {
                ++x;
            }
            int start = x;
            while (x < bitmap.bmWidth && GetPixel(dc, x, y) == kMagenta) {
                ++x;
            }
            if (x > start) {
                HRGN run = CreateRectRgn(start, y, x, y + 1);
                CombineRgn(region, region, run, RGN_DIFF);
                DeleteObject(run);
            }
        }
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return region;
}

struct RegionCase {
    const char* name;
    int width;
    int height;
    std::function<COLORREF(int x, int y, COLORREF color)> paint;
    std::vector<POINT> inside;
    std::vector<POINT> outside;
};

TEST(Region, MagentaIsCutAwayExactly) {
    const std::vector<RegionCase> cases = {
        {"no magenta", 10, 6, {}, {{0, 0}, {9, 5}}, {{10, 0}, {0, 6}}},
        {"magenta everywhere", 10, 6, [](int, int, COLORREF) { return kMagenta; }, {}, {{0, 0}}},
        {"one magenta pixel",
         10,
         6,
         [](int x, int y, COLORREF c) { return x == 3 && y == 2 ? kMagenta : c; },
         {{2, 2}, {4, 2}, {3, 1}, {3, 3}},
         {{3, 2}}},
        {"a run to the right edge",
         10,
         6,
         [](int x, int y, COLORREF c) { return y == 1 && x >= 6 ? kMagenta : c; },
         {{5, 1}, {9, 0}, {9, 2}},
         {{6, 1}, {9, 1}}},
        {"almost magenta stays",
         10,
         6,
         [](int x, int, COLORREF c) { return x < 5 ? RGB(254, 0, 255) : c; },
         {{0, 0}},
         {}},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.name);
        ui::PicturePtr picture = MakePicture(c.width, c.height, kBlue, c.paint);
        HRGN region = ui::RegionFromPicture(*picture).release();
        HRGN reference = RegionRunByRun(*picture);
        ASSERT_NE(region, nullptr);
        EXPECT_TRUE(EqualRgn(region, reference));
        for (POINT p : c.inside) {
            EXPECT_TRUE(PtInRegion(region, p.x, p.y)) << p.x << "," << p.y;
        }
        for (POINT p : c.outside) {
            EXPECT_FALSE(PtInRegion(region, p.x, p.y)) << p.x << "," << p.y;
        }
        RECT box{};
        int kind = GetRgnBox(region, &box);
        if (c.inside.empty()) {
            EXPECT_EQ(kind, NULLREGION);
        }
        DeleteObject(region);
        DeleteObject(reference);
    }
}

TEST(Region, TheWindowPicturesGiveTheSameRegionAsRunByRun) {
    for (const char* name : {"FRMMAIN", "FRMFOLDERS", "FRMDIALOG"}) {
        SCOPED_TRACE(name);
        ui::PicturePtr picture = ui::LoadPicture(name);
        ASSERT_NE(picture, nullptr);
        HRGN region = ui::RegionFromPicture(*picture).release();
        HRGN reference = RegionRunByRun(*picture);
        EXPECT_TRUE(EqualRgn(region, reference));
        EXPECT_FALSE(PtInRegion(region, 0, 0)) << "the corners are cut away";
        EXPECT_TRUE(PtInRegion(region, picture->Width() / 2, picture->Height() / 2));
        DeleteObject(region);
        DeleteObject(reference);
    }
}

TEST(ShapedForm, TakesTheOutlineAndTheSizeOfItsPicture) {
    struct Window {
        const char* picture;
        int width;
        int height;
    };
    for (Window w : {Window{"FRMMAIN", 6990, 4485}, Window{"FRMFOLDERS", 4485, 4500},
                     Window{"FRMDIALOG", 4485, 1605}}) {
        SCOPED_TRACE(w.picture);
        TestForm form;
        form.SetPicture(ui::LoadPicture(w.picture));
        form.onLoad = [&] { ui::ShapeForm(form); };
        form.Show();
        EXPECT_EQ(form.Width(), w.width);
        EXPECT_EQ(form.Height(), w.height);
        RECT rect = WindowRect(form.Hwnd());
        EXPECT_EQ(rect.right - rect.left, form.Picture()->Width());
        EXPECT_EQ(rect.bottom - rect.top, form.Picture()->Height());
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(form.Hwnd(), shape), ERROR);
        HRGN expected = ui::RegionFromPicture(*form.Picture()).release();
        EXPECT_TRUE(EqualRgn(shape, expected));
        DeleteObject(shape);
        DeleteObject(expected);
    }
}

TEST(ShapedForm, AllMagentaLeavesAnInvisibleWindowOfThePicturesSize) {
    TestForm form;
    form.SetPicture(MakePicture(30, 20, kMagenta));
    form.onLoad = [&] { ui::ShapeForm(form); };
    form.Show();
    EXPECT_TRUE(IsWindow(form.Hwnd()));
    EXPECT_EQ(form.Width(), 450);
    EXPECT_EQ(form.Height(), 300);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    RECT box{};
    GetWindowRgn(form.Hwnd(), shape);
    EXPECT_EQ(GetRgnBox(shape, &box), NULLREGION);
    DeleteObject(shape);
}

class Drag : public ::testing::Test {
protected:
    void SetUp() override {
        form.SetPicture(MakePicture(200, 120, kBlue));
        form.onLoad = [this] { ui::ShapeForm(form); };
        form.onMouseDown = [this](int, int, int, int) { ui::DragForm(form); };
        form.rows = {{"lblControl", "", 1500, 900, 1200, 600, {.Caption = "control"}}};
        form.Show();
    }
    TestForm form;
    ui::Label lblControl{form, "lblControl"};
};

TEST_F(Drag, ThePressOnTheBackgroundMovesTheWindow) {
    RECT before = WindowRect(form.Hwnd());
    DragFrom(form.Hwnd(), 10, 10, 40, 25);
    RECT after = WindowRect(form.Hwnd());
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 25);
}

TEST_F(Drag, ThePressOnAControlDoesNot) {
    RECT before = WindowRect(form.Hwnd());
    DragFrom(form.Hwnd(), 110, 70, 40, 25);
    RECT after = WindowRect(form.Hwnd());
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

class CountingClock final : public Clock {
public:
    void Sleep(int) override {}
    void DoEvents() override { ++pumps; }
    void WaitFor(HANDLE, int) override {}
    int pumps = 0;
};

TEST_F(Drag, AMaximisedWindowDoesNotMoveButEventsArePumped) {
    ShowWindow(form.Hwnd(), SW_MAXIMIZE);
    RECT before = WindowRect(form.Hwnd());
    CountingClock clock;
    SetEngineClock(&clock);
    ui::DragForm(form);
    SetEngineClock(nullptr);
    EXPECT_EQ(clock.pumps, 1);
    RECT after = WindowRect(form.Hwnd());
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

} // namespace
} // namespace instalio::test
