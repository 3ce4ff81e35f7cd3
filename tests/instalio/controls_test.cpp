// The activity bar, the picture button, the picture check box and the bordered text box, each
// on a form under the real window system, driven by real mouse and key input.
#include "barra.h"
#include "boton.h"
#include "check.h"
#include "support.h"
#include "test_form.h"
#include "texto.h"
#include "ui_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace instalio::test {
namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        form.SetPicture(MakePicture(400, 200, RGB(238, 238, 238)));
        form.Move(0, 0, ui::Twips(400), ui::Twips(200));
    }
    // Records the keys a control notifies to its host.
    void RecordNotifications(ui::UserControl& control) {
        control.PropertyChangedNotify = [this](const std::string& key) {
            log.push_back("notify " + key);
        };
    }
    // A real click at a pixel of a control's own window.
    static void ClickIn(const ui::UserControl& control, int x, int y) {
        MouseClick(ScreenPoint(control.Hwnd(), x, y));
    }

    TestForm form;
    std::vector<std::string> log;
};

// Element geometry, read past the names a control gives its constituents.
int LeftOf(const ui::Element& element) {
    return element.Left();
}

TEST_F(Controls, BarSweepsInStepsOf100AndJumpsBack) {
    ui::Barra barUpdate{form, "barUpdate"};
    form.rows = {{"barUpdate", "", 240, 1920, 4575, 500, {}}};
    form.Show();
    EXPECT_EQ(barUpdate.Height(), 210) << "any height comes back as 210";
    EXPECT_EQ(LeftOf(barUpdate.Right), 4575 - 90);
    EXPECT_EQ(barUpdate.Center.Width(), 4575 - 95 - 90);
    EXPECT_EQ(barUpdate.Timer.Interval(), 100);
    Pump(250);
    EXPECT_EQ(LeftOf(barUpdate.Bar), 65) << "a fresh bar does not move";

    std::vector<int> positions;
    auto step = barUpdate.Timer.Tick;
    barUpdate.Timer.Tick = [&] {
        step();
        positions.push_back(LeftOf(barUpdate.Bar));
    };
    barUpdate.Timer.SetInterval(10); // the sequence, not the pace, is under test
    barUpdate.Start(true);
    for (int i = 0; i < 500 && positions.size() < 45; ++i) {
        Pump(10);
    }
    barUpdate.Start(false);
    ASSERT_GE(positions.size(), 45u);
    std::vector<int> sweep(positions.begin(), positions.begin() + 44);
    std::vector<int> expected;
    for (int left = 165; left <= 4365; left += 100) {
        expected.push_back(left);
    }
    expected.push_back(65);
    EXPECT_EQ(sweep, expected); // 65 to 4365: 44 positions
    EXPECT_EQ(positions[44], 165);

    // Stopped, the block stays; started again, it goes on from there.
    int stoppedAt = LeftOf(barUpdate.Bar);
    positions.clear();
    Pump(100);
    EXPECT_TRUE(positions.empty());
    barUpdate.Start(true);
    while (positions.empty()) {
        Pump(10);
    }
    barUpdate.Start(false);
    EXPECT_EQ(positions.front(), stoppedAt == 4365 ? 65 : stoppedAt + 100);

    // Where the limit equals the block's position, the next step jumps back.
    barUpdate.Bar.SetLeft(4360);
    positions.clear();
    barUpdate.Start(true);
    while (positions.empty()) {
        Pump(10);
    }
    barUpdate.Start(false);
    EXPECT_EQ(positions.front(), 65);
}

TEST_F(Controls, ButtonLayoutFollowsItsWidth) {
    ui::Boton cmdWide{form, "cmdWide"};
    ui::Boton cmdNarrow{form, "cmdNarrow"};
    form.rows = {
        {"cmdWide", "", 0, 0, 1560, 900, {}},
        {"cmdNarrow", "", 0, 1500, 300, 405, {}},
    };
    form.Show();
    EXPECT_EQ(cmdWide.Height(), 405);
    EXPECT_EQ(LeftOf(cmdWide.Image3), 1560 - 135);
    EXPECT_EQ(cmdWide.Image2.Width(), 1560 - 135 - 120);
    EXPECT_EQ(cmdWide.lblTexto.Width(), 1560 - 520);
    EXPECT_EQ(cmdWide.lblAccion.Width(), 1560);
    EXPECT_EQ(LeftOf(cmdWide.Imagen), 160) << "the icon stays where it was designed";
    // Below the caption's left edge the computed widths stop at 0.
    EXPECT_EQ(cmdNarrow.lblTexto.Width(), 0);
    EXPECT_EQ(cmdNarrow.Image2.Width(), 300 - 135 - 120);
    cmdNarrow.SetWidth(200);
    EXPECT_EQ(cmdNarrow.Image2.Width(), 0);
    EXPECT_EQ(LeftOf(cmdNarrow.Image3), 65);
}

TEST_F(Controls, ButtonPropertiesFromTheBagAndBack) {
    ui::Boton cmdDefault{form, "cmdDefault"};
    ui::Boton cmdBack{form, "cmdBack"};
    // clang-format off
    form.rows = {
        {"cmdDefault", "", 0, 0, 1560, 405, {}},
        {"cmdBack", "", 0, 600, 1560, 405, {.Properties = {{"text", "Back"}, {"enabled", "0"}, {"iconenabled", "ICON_BACK"}, {"icondisabled", "ICON_BACK_OFF"}}}},
    };
    // clang-format on
    form.Show();
    EXPECT_EQ(cmdDefault.Text(), "Texto");
    EXPECT_TRUE(cmdDefault.Enabled());
    EXPECT_EQ(cmdDefault.lblTexto.ForeColor(), 0x000000u);
    EXPECT_TRUE(cmdDefault.SaveProperties().Entries().empty());

    EXPECT_EQ(cmdBack.Text(), "Back");
    EXPECT_FALSE(cmdBack.Enabled());
    EXPECT_EQ(cmdBack.lblTexto.ForeColor(), 0x888888u);
    EXPECT_EQ(cmdBack.Imagen.Picture(), cmdBack.IconDisabled());
    ui::PropertyBag saved = cmdBack.SaveProperties();
    EXPECT_EQ(saved.ReadString("Text", ""), "Back");
    EXPECT_FALSE(saved.ReadBool("Enabled", true));
    EXPECT_EQ(saved.ReadString("IconEnabled", ""), cmdBack.IconEnabled() ? "ICON_BACK" : "");

    // Text changes only the caption; its colour stays what the last refresh chose.
    RecordNotifications(cmdBack);
    cmdBack.SetText("Atrás");
    cmdBack.SetEnabled(false);
    EXPECT_EQ(cmdBack.lblTexto.ForeColor(), 0x888888u);
    // An icon set in the other state is kept, and shown once the state switches.
    ui::PicturePtr icon = MakePicture(18, 18, RGB(0, 128, 0));
    cmdBack.SetIconEnabled(icon);
    EXPECT_NE(cmdBack.Imagen.Picture(), icon);
    cmdBack.SetEnabled(true);
    EXPECT_EQ(cmdBack.Imagen.Picture(), icon);
    EXPECT_EQ(cmdBack.lblTexto.ForeColor(), 0x000000u);
    EXPECT_EQ(log, (std::vector<std::string>{"notify Text", "notify Enabled", "notify IconEnabled",
                                             "notify Enabled"}));
}

TEST_F(Controls, DisabledButtonRaisesNoClick) {
    ui::Boton cmdNext{form, "cmdNext"};
    form.rows = {{"cmdNext", "", 150, 150, 1560, 405, {.Properties = {{"Text", "Next"}}}}};
    int clicks = 0;
    cmdNext.Click = [&] { ++clicks; };
    form.Show();
    ClickIn(cmdNext, 18, 13); // the icon
    ClickIn(cmdNext, 60, 10); // the caption
    ClickIn(cmdNext, 102, 3); // the right cap
    EXPECT_EQ(clicks, 3);
    cmdNext.SetEnabled(false);
    ClickIn(cmdNext, 60, 10);
    EXPECT_EQ(clicks, 3);
}

TEST_F(Controls, CheckBoxRaisesClickBeforeItTurnsOver) {
    ui::Check chkUpdate{form, "chkUpdate"};
    ui::Check chkStored{form, "chkStored"};
    form.rows = {
        {"chkUpdate", "", 150, 150, 600, 600, {}},
        {"chkStored", "", 150, 900, 195, 195, {.Properties = {{"CHECKED", "-1"}}}},
    };
    std::vector<bool> seenInClick;
    chkUpdate.Click = [&] { seenInClick.push_back(chkUpdate.Checked()); };
    form.Show();
    EXPECT_EQ(chkUpdate.Width(), 195);
    EXPECT_EQ(chkUpdate.Height(), 195);
    EXPECT_FALSE(chkUpdate.Checked()) << "a bag without the key starts unchecked";
    EXPECT_TRUE(chkStored.Checked());

    ClickIn(chkUpdate, 6, 6);
    EXPECT_TRUE(chkUpdate.Checked());
    ClickIn(chkUpdate, 6, 6);
    EXPECT_FALSE(chkUpdate.Checked());
    EXPECT_EQ(seenInClick, (std::vector<bool>{false, true}));

    RecordNotifications(chkUpdate);
    chkUpdate.SetChecked(false);
    EXPECT_EQ(log, std::vector<std::string>{"notify Checked"}) << "the same value notifies too";
    EXPECT_EQ(chkUpdate.check.Picture(), chkUpdate.PicOff.Picture());
    EXPECT_TRUE(chkUpdate.SaveProperties().Entries().empty());
    EXPECT_EQ(chkStored.SaveProperties().ReadString("Checked", ""), "-1");
}

TEST_F(Controls, TextBoxDefaultsAndColours) {
    ui::Texto txtDefault{form, "txtDefault"};
    ui::Texto txtBack{form, "txtBack"};
    form.rows = {
        {"txtDefault", "", 150, 150, 3000, 255, {}},
        {"txtBack", "", 150, 600, 3000, 405, {.Properties = {{"BackColor", "&HFFFF&"}}}},
    };
    form.Show();
    EXPECT_EQ(txtDefault.Text(), "Texto");
    EXPECT_EQ(txtDefault.MaxLength(), 0);
    EXPECT_TRUE(txtDefault.Enabled());
    EXPECT_FALSE(txtDefault.Locked());
    EXPECT_EQ(txtDefault.BorderColor(), 0x80000008u);
    EXPECT_EQ(txtDefault.BackColor(), 0xF1EFF0u);
    EXPECT_EQ(txtDefault.ForeColor(), 0xF1EFF0u) << "unreadable until the host sets a colour";
    EXPECT_TRUE(txtDefault.SaveProperties().Entries().empty());

    EXPECT_EQ(txtBack.BackColor(), 0xFFFFu);
    EXPECT_EQ(txtBack.ForeColor(), 0xF1EFF0u);
    RECT inner = txtBack.tbTexto.HostRect();
    EXPECT_EQ(inner.left, 4);
    EXPECT_EQ(inner.top, 2);
    EXPECT_EQ(inner.right, 200 - 4);
    EXPECT_EQ(inner.bottom, 27 - 2);
    Pump();
    ScreenPicture shot = ScreenPicture::Capture(WindowRect(txtBack.Hwnd()));
    EXPECT_EQ(shot.At(2, 13), RGB(255, 255, 0)) << "the margin takes the background colour";
    EXPECT_EQ(shot.At(0, 13), GetSysColor(COLOR_WINDOWTEXT)) << "the outline";
}

TEST_F(Controls, TextBoxRefusesANegativeMaxLength) {
    ui::Texto txtPath{form, "txtPath"};
    form.rows = {{"txtPath", "", 150, 150, 3000, 255, {.Properties = {{"MaxLength", "5"}}}}};
    form.Show();
    RecordNotifications(txtPath);
    for (long length : {-1L, -2147483647L - 1}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(FailureNumber([&] { txtPath.SetMaxLength(length); }), 380);
        EXPECT_EQ(txtPath.MaxLength(), 5);
        EXPECT_EQ(SendMessageA(txtPath.tbTexto.Window(), EM_GETLIMITTEXT, 0, 0), 5);
        EXPECT_EQ(txtPath.SaveProperties().ReadLong("MaxLength", 0), 5);
    }
    EXPECT_TRUE(log.empty()) << "a refused value is not notified";
    txtPath.SetMaxLength(0);
    EXPECT_EQ(txtPath.MaxLength(), 0);
    EXPECT_EQ(log, std::vector<std::string>{"notify MaxLength"});
}

TEST_F(Controls, TextBoxPassesKeysThroughTheHostsHandlers) {
    ui::Texto txtPath{form, "txtPath"};
    form.rows = {{"txtPath", "", 150, 150, 3000, 255, {.Properties = {{"ForeColor", "0"}}}}};
    txtPath.KeyPress = [](std::int16_t& KeyAscii) {
        if (KeyAscii == '1') {
            KeyAscii = 0;
        } else if (KeyAscii >= 'a' && KeyAscii <= 'z') {
            KeyAscii = static_cast<std::int16_t>(KeyAscii - 'a' + 'A');
        }
    };
    std::vector<int> keysUp;
    txtPath.KeyUp = [&](std::int16_t& KeyCode, std::int16_t&) { keysUp.push_back(KeyCode); };
    form.Show();
    txtPath.SetText("");
    ClickIn(txtPath, 50, 8);
    TypeText("a1b");
    EXPECT_EQ(txtPath.Text(), "AB");
    EXPECT_EQ(keysUp, (std::vector<int>{'A', '1', 'B'}));

    // Text set from code raises Change before the Let returns, then notifies "Text".
    txtPath.Change = [&] { log.push_back("Change " + txtPath.Text()); };
    RecordNotifications(txtPath);
    txtPath.SetText("C:\\Apps\\");
    EXPECT_EQ(log, (std::vector<std::string>{"Change C:\\Apps\\", "notify Text"}));
}

TEST_F(Controls, TextBoxFocusFollowsEnabledAndLocked) {
    ui::Texto txtPath{form, "txtPath"};
    ui::Boton cmdOther{form, "cmdOther"};
    form.rows = {
        {"txtPath", "", 150, 150, 3000, 405, {}},
        {"cmdOther", "", 150, 900, 1560, 405, {}},
    };
    form.Show();
    txtPath.SetEnabled(false);
    ClickIn(txtPath, 1, 1); // the margin
    EXPECT_EQ(GetFocus(), txtPath.Hwnd()) << "disabled: the focus stays on the control";

    ClickIn(cmdOther, 60, 10);
    txtPath.SetEnabled(true);
    txtPath.SetLocked(true);
    txtPath.SetText("fixed");
    ClickIn(txtPath, 1, 1);
    EXPECT_EQ(GetFocus(), txtPath.tbTexto.Window()) << "locked: the focus goes on";
    TypeText("x");
    EXPECT_EQ(txtPath.Text(), "fixed");
}

} // namespace
} // namespace instalio::test
