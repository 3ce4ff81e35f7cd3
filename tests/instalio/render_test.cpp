// A form with one of each control, on the wizard's picture, as the screen shows it: saved as a
// PNG in the build tree, and probed where a fault would show.
#include "barra.h"
#include "boton.h"
#include "check.h"
#include "frame.h"
#include "label.h"
#include "layouts.h"
#include "shapedform.h"
#include "test_form.h"
#include "texto.h"
#include "ui_support.h"

#include <gtest/gtest.h>

namespace instalio::test {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

bool Greenish(COLORREF c) {
    return GetGValue(c) > GetRValue(c) + 40 && GetGValue(c) > GetBValue(c) + 40;
}

// The pixels that differ between two pictures of the same size, as a bounding box per half
// (left and right of `split`).
RECT ChangedBetween(const ScreenPicture& a, const ScreenPicture& b, const RECT& within) {
    RECT box{within.right, within.bottom, within.left, within.top};
    for (int y = within.top; y < within.bottom; ++y) {
        for (int x = within.left; x < within.right; ++x) {
            if (a.At(x, y) != b.At(x, y)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
    }
    return box;
}

// A button of the wizard's layout with the caption a user sees in place of its designer text.
ui::ElementRow Captioned(ui::ElementRow row, const std::string& caption) {
    for (auto& [key, value] : row.Settings.Properties) {
        if (key == "text") {
            value = caption;
        }
    }
    return row;
}

class Rendering : public ::testing::Test {
protected:
    void SetUp() override {
        form.SetPicture(ui::LoadPicture("FRMMAIN"));
        ASSERT_NE(form.Picture(), nullptr);
        form.onLoad = [this] { ui::ShapeForm(form); };
        // The title and the buttons as the wizard has them; Back disabled.
        const ui::Description wizard = ui::FrmMainLayout();
        ui::ElementRow back = Captioned(ui::RowOf(wizard, "cmdAnterior"), "Back");
        back.Settings.Properties.emplace_back("enabled", "0");
        // clang-format off
        form.rows = {
            ui::RowOf(wizard, "lblTitle"),
            {"fraSection", "", 120, 720, 5060, 2895, {.BackColor = 0xEEEEEE}},
            {"lblText", "fraSection", 120, 120, 4695, 375, {.Caption = "One of each control, as the wizard shows them.", .ForeColor = 0x984E00}},
            {"chkOn", "fraSection", 480, 600, 195, 195, {.Properties = {{"Checked", "-1"}}}},
            {"chkOff", "fraSection", 480, 900, 195, 195, {}},
            {"lblOn", "fraSection", 840, 585, 3615, 255, {.Caption = "A ticked box", .ForeColor = 0x984E00}},
            {"txtPath", "fraSection", 120, 1320, 4815, 255, {.Properties = {{"Text", "C:\\Program Files\\Ostrevant\\"}, {"ForeColor", "0"}, {"BackColor", "&HFFFFFF&"}, {"BorderColor", "&H808080&"}}}},
            {"barInstall", "fraSection", 240, 1920, 4575, 210, {}},
            back,
            Captioned(ui::RowOf(wizard, "cmdSiguiente"), "Next"),
            Captioned(ui::RowOf(wizard, "cmdSalir"), "Close"),
        };
        // clang-format on
        form.Show();
        Pump(100);
    }
    // The screen inside the window's rectangle; the cut-away shows what lies behind.
    ScreenPicture Shot() const { return ScreenPicture::Capture(WindowRect(form.Hwnd())); }
    // A control's rectangle in the form's pixels.
    RECT Place(const ui::Element& element) const { return element.HostRect(); }

    TestForm form;
    ui::Label lblTitle{form, "lblTitle"};
    ui::Frame fraSection{form, "fraSection"};
    ui::Label lblText{form, "lblText"};
    ui::Check chkOn{form, "chkOn"};
    ui::Check chkOff{form, "chkOff"};
    ui::Label lblOn{form, "lblOn"};
    ui::Texto txtPath{form, "txtPath"};
    ui::Barra barInstall{form, "barInstall"};
    ui::Boton cmdAnterior{form, "cmdAnterior"};
    ui::Boton cmdSiguiente{form, "cmdSiguiente"};
    ui::Boton cmdSalir{form, "cmdSalir"};
};

TEST_F(Rendering, EachControlIsDrawnWhereItStands) {
    ScreenPicture shot = Shot();
    EXPECT_TRUE(shot.SavePng(PictureFolder() + "controls.png"));
    RECT all{0, 0, shot.Width(), shot.Height()};
    EXPECT_EQ(shot.Count(kMagenta, all), 0) << "no magenta is ever shown";

    RECT on = Place(chkOn);
    RECT off = Place(chkOff);
    int green = 0;
    for (int y = on.top; y < on.bottom; ++y) {
        for (int x = on.left; x < on.right; ++x) {
            green += Greenish(shot.At(x, y)) ? 1 : 0;
        }
    }
    EXPECT_GT(green, 3) << "the ticked box shows its tick";
    EXPECT_EQ(shot.At(on.left, on.top), RGB(240, 239, 241)) << "the pictures' margin colour";
    EXPECT_EQ(shot.Count(RGB(240, 239, 241), off), shot.Count(RGB(240, 239, 241), on) + 0 * green)
        << "both boxes share their margin";

    RECT next = Place(cmdSiguiente);
    RECT back = Place(cmdAnterior);
    EXPECT_GT(shot.Count(RGB(0, 0, 0), next), 10) << "an enabled caption is black";
    EXPECT_EQ(shot.Count(RGB(0, 0, 0), back), 0) << "a disabled caption is never black";
    EXPECT_GT(shot.Count(RGB(136, 136, 136), back), 10) << "it is grey";
}

TEST_F(Rendering, TheBlockStandsWhereTheBarSays) {
    RECT bar = Place(barInstall);
    ScreenPicture before = Shot();
    static_cast<ui::Element&>(barInstall.Bar).SetLeft(2065);
    Pump(100);
    ScreenPicture after = Shot();
    RECT changed = ChangedBetween(before, after, bar);
    // What changed is the block leaving x 65 and arriving at x 2065 (twips within the bar).
    EXPECT_EQ(changed.left, bar.left + ui::Px(65));
    EXPECT_EQ(changed.right, bar.left + ui::Px(2065 + 150));
    EXPECT_EQ(changed.top, bar.top + ui::Px(60));
    EXPECT_EQ(changed.bottom, bar.top + ui::Px(60 + 90));
    EXPECT_TRUE(after.SavePng(PictureFolder() + "controls-bar.png"));
}

} // namespace
} // namespace instalio::test
