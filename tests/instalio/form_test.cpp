// The form layer under the real window system: painting order and hit-testing of windowless
// elements, mouse pointers, frames, timers, the property bag, focus between user controls,
// modal forms, and failures that must not cross a window procedure.
#include "barra.h"
#include "boton.h"
#include "check.h"
#include "conversion.h"
#include "failure.h"
#include "frame.h"
#include "guard.h"
#include "image.h"
#include "label.h"
#include "propertybag.h"
#include "shape.h"
#include "support.h"
#include "test_form.h"
#include "texto.h"
#include "timer.h"
#include "ui_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace instalio::test {
namespace {

using ui::Design;

constexpr COLORREF kGrey = RGB(200, 200, 200);

class FormLayer : public ::testing::Test {
protected:
    void SetUp() override {
        form.SetPicture(MakePicture(200, 150, kGrey));
        form.Move(0, 0, ui::Twips(200), ui::Twips(150));
        form.onMouseDown = [this](int, int, int, int) { log.push_back("form.MouseDown"); };
    }
    // A click at a client pixel of the form, by real input.
    void ClickAt(int x, int y) { MouseClick(ScreenPoint(form.Hwnd(), x, y)); }
    // Makes `element` log its clicks.
    void LogClicks(ui::Element& element) {
        element.ElementClick = [this, &element] { log.push_back(element.Name() + ".Click"); };
    }

    TestForm form;
    std::vector<std::string> log;
};

TEST_F(FormLayer, ClicksGoToTheTopmostElementAndFallThroughShapesOnly) {
    ui::Label lblBottom{form, "lblBottom"};
    ui::Image imgTop{form, "imgTop"};
    ui::Label lblDisabled{form, "lblDisabled"};
    ui::Label lblUnder{form, "lblUnder"};
    ui::Shape shpOver{form, "shpOver"};
    form.rows = {
        {"lblBottom", "", 150, 150, 1500, 300, {.Caption = "bottom"}},
        {"imgTop", "", 150, 150, 600, 300, {.Stretch = true}},
        {"lblDisabled", "", 150, 600, 1500, 300, {.Caption = "off", .Enabled = false}},
        {"lblUnder", "", 150, 1050, 1500, 300, {.Caption = "under"}},
        {"shpOver", "", 0, 900, 2400, 600, {.BorderColor = 0x0000FF}},
    };
    for (ui::Element* element :
         std::vector<ui::Element*>{&lblBottom, &imgTop, &lblDisabled, &lblUnder, &shpOver}) {
        LogClicks(*element);
    }
    form.Show();

    ClickAt(15, 15); // the image lies over the label there
    ClickAt(80, 15); // the label alone
    ClickAt(30, 45); // a disabled label: nothing at all
    ClickAt(30, 75); // the shape lets the click through to the label beneath
    ClickAt(190, 5); // the background
    EXPECT_EQ(log, (std::vector<std::string>{"imgTop.Click", "lblBottom.Click", "lblUnder.Click",
                                             "form.MouseDown"}));
}

TEST_F(FormLayer, HiddenFrameHidesItsChildrenWindowsIncluded) {
    ui::Frame fraSection{form, "fraSection"};
    ui::Label lblInside{form, "lblInside"};
    ui::Texto txtInside{form, "txtInside"};
    form.rows = {
        {"fraSection", "", 300, 300, 2400, 1500, {.BackColor = 0x00EEEEEE}},
        {"lblInside", "fraSection", 150, 150, 1200, 255, {.Caption = "inside"}},
        {"txtInside", "fraSection", 150, 600, 1800, 255, {}},
    };
    LogClicks(lblInside);
    form.Show();
    // Children are placed relative to the frame.
    RECT label = lblInside.HostRect();
    EXPECT_EQ(label.left, 30);
    EXPECT_EQ(label.top, 30);
    ClickAt(35, 35);
    EXPECT_TRUE(IsWindowVisible(txtInside.Window()));

    fraSection.SetVisible(false);
    Pump();
    ClickAt(35, 35);
    EXPECT_FALSE(IsWindowVisible(txtInside.Window()));
    EXPECT_EQ(log, (std::vector<std::string>{"lblInside.Click", "form.MouseDown"}));
    ScreenPicture shot = ScreenPicture::Capture(WindowRect(form.Hwnd()));
    EXPECT_EQ(shot.At(35, 35), kGrey) << "the hidden frame's area shows the picture again";
}

TEST_F(FormLayer, MousePointerOfTheElementUnderTheMouse) {
    ui::Image imgHand{form, "imgHand"};
    ui::Image imgDisabled{form, "imgDisabled"};
    // clang-format off
    form.rows = {
        {"imgHand", "", 0, 0, 900, 900, {.Stretch = true, .MousePointer = "HAND"}},
        {"imgDisabled", "", 1200, 0, 900, 900, {.Stretch = true, .Enabled = false, .MousePointer = "HAND"}},
    };
    // clang-format on
    form.Show();
    HCURSOR hand = ui::LoadCursorResource("HAND");
    MouseMove(ScreenPoint(form.Hwnd(), 20, 20));
    EXPECT_EQ(GetCursor(), hand);
    MouseMove(ScreenPoint(form.Hwnd(), 100, 20));
    EXPECT_NE(GetCursor(), hand) << "a disabled element shows what lies beneath";
    form.SetMousePointer(ui::kHourglassPointer);
    MouseMove(ScreenPoint(form.Hwnd(), 20, 25));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    form.SetMousePointer(ui::kDefaultPointer);
    MouseMove(ScreenPoint(form.Hwnd(), 20, 20));
    EXPECT_EQ(GetCursor(), hand);
}

TEST_F(FormLayer, TimerTicksOnlyWhileEnabledAndPumped) {
    ui::Timer tmrTick{form, "tmrTick"};
    form.rows = {{"tmrTick", "", 0, 0, 0, 0, {.Enabled = false, .Interval = 20}}};
    int ticks = 0;
    tmrTick.Tick = [&] { ++ticks; };
    form.Show();
    Pump(100);
    EXPECT_EQ(ticks, 0);
    tmrTick.SetElementEnabled(true);
    Sleep(100);
    EXPECT_EQ(ticks, 0) << "ticks are events: none without pumping";
    Pump(200);
    EXPECT_GT(ticks, 2);
    tmrTick.SetElementEnabled(false);
    int stopped = ticks;
    Pump(100);
    EXPECT_EQ(ticks, stopped);
}

std::vector<std::string> failures;

TEST_F(FormLayer, FailureInAHandlerIsReportedAndDoesNotCrossTheWindowSystem) {
    ui::Label lblFails{form, "lblFails"};
    form.rows = {{"lblFails", "", 0, 0, 1500, 600, {.Caption = "fails"}}};
    lblFails.ElementClick = [] { throw RunTimeFailure{35600, "Index out of bounds"}; };
    failures.clear();
    SetUnhandledFailureHandler([](std::exception_ptr failure) {
        try {
            std::rethrow_exception(std::move(failure));
        } catch (const RunTimeFailure& f) {
            failures.push_back(std::to_string(f.number) + " " + f.description);
        } catch (...) {
            failures.push_back("other");
        }
    });
    form.Show();
    ClickAt(10, 10);
    SetUnhandledFailureHandler(nullptr);
    EXPECT_EQ(failures, (std::vector<std::string>{"35600 Index out of bounds"}));
    EXPECT_TRUE(IsWindow(form.Hwnd()));
}

TEST_F(FormLayer, ClickedUserControlTakesTheFocusBeforeItsClick) {
    ui::Texto txtPath{form, "txtPath"};
    ui::Boton cmdNext{form, "cmdNext"};
    form.rows = {
        {"txtPath", "", 150, 150, 2400, 255, {.Properties = {{"forecolor", "0"}}}},
        {"cmdNext", "", 150, 900, 1560, 405, {.Properties = {{"text", "Next"}}}},
    };
    txtPath.LostFocus = [&] { log.push_back("txtPath.LostFocus"); };
    cmdNext.Click = [&] { log.push_back("cmdNext.Click"); };
    form.Show();
    MouseClick(ScreenCentre(form.Hwnd(), txtPath.HostRect()));
    EXPECT_EQ(GetFocus(), txtPath.tbTexto.Window());
    MouseClick(ScreenCentre(form.Hwnd(), cmdNext.HostRect()));
    EXPECT_EQ(log, (std::vector<std::string>{"txtPath.LostFocus", "cmdNext.Click"}));
    EXPECT_EQ(GetFocus(), cmdNext.Window());
}

TEST_F(FormLayer, SecondPressOfADoubleClickRaisesDblClickAndNoClick) {
    ui::Label lblText{form, "lblText"};
    ui::Boton cmdNext{form, "cmdNext"};
    ui::Check chkBox{form, "chkBox"};
    form.rows = {
        {"lblText", "", 150, 150, 1200, 300, {.Caption = "text"}},
        {"cmdNext", "", 150, 600, 1560, 405, {.Properties = {{"text", "Next"}}}},
        {"chkBox", "", 150, 1200, 195, 195, {}},
    };
    LogClicks(lblText);
    lblText.DblClick = [&] { log.push_back("lblText.DblClick"); };
    lblText.MouseDown = [&](int, int, int, int) { log.push_back("lblText.MouseDown"); };
    lblText.MouseUp = [&](int, int, int, int) { log.push_back("lblText.MouseUp"); };
    cmdNext.Click = [&] { log.push_back("cmdNext.Click"); };
    chkBox.Click = [&] { log.push_back("chkBox.Click"); };
    form.Show();
    const POINT text = ScreenPoint(form.Hwnd(), 20, 15);
    const POINT next = ScreenCentre(form.Hwnd(), cmdNext.HostRect());
    const POINT box = ScreenCentre(form.Hwnd(), chkBox.HostRect());
    const POINT background = ScreenPoint(form.Hwnd(), 190, 140);

    DoubleClick(text);
    EXPECT_EQ(log,
              (std::vector<std::string>{"lblText.MouseDown", "lblText.MouseUp", "lblText.Click",
                                        "lblText.DblClick", "lblText.MouseUp"}));
    log.clear();
    DoubleClick(next);
    DoubleClick(box);
    EXPECT_EQ(log, (std::vector<std::string>{"cmdNext.Click", "chkBox.Click"}));
    EXPECT_TRUE(chkBox.Checked()) << "a double click turns the box over once";
    log.clear();
    DoubleClick(background);
    EXPECT_EQ(log, (std::vector<std::string>{"form.MouseDown", "form.MouseDown"}))
        << "on the background each press is a press";

    // Clicks further apart than the double-click time are clicks each.
    log.clear();
    for (POINT at : {next, next, box, box}) {
        MouseClick(at);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"cmdNext.Click", "cmdNext.Click", "chkBox.Click",
                                             "chkBox.Click"}));
    EXPECT_TRUE(chkBox.Checked());
}

TEST_F(FormLayer, TabMovesTheFocusThroughTheTabOrder) {
    ui::Frame fraHidden{form, "fraHidden"};
    ui::Texto txtLast{form, "txtLast"};
    ui::Boton cmdFirst{form, "cmdFirst"};
    ui::Check chkSecond{form, "chkSecond"};
    ui::Boton cmdOff{form, "cmdOff"};
    ui::Texto txtHidden{form, "txtHidden"};
    ui::Barra barShown{form, "barShown"};
    ui::Label lblNone{form, "lblNone"};
    ui::Texto txtUnordered{form, "txtUnordered"};
    form.rows = {
        {"fraHidden", "", 0, 1800, 1500, 400, {.Visible = false}},
        {"txtLast", "", 150, 150, 1500, 255, {.TabIndex = 4}},
        {"cmdFirst", "", 150, 450, 1560, 405, {.TabIndex = 0}},
        {"chkSecond", "", 150, 900, 195, 195, {.TabIndex = 1}},
        {"cmdOff", "", 1650, 450, 1200, 405, {.TabIndex = 2, .Properties = {{"enabled", "0"}}}},
        {"txtHidden", "fraHidden", 0, 0, 1500, 255, {.TabIndex = 3}},
        {"barShown", "", 150, 1200, 1500, 210, {.TabIndex = 5}},
        {"lblNone", "", 150, 1500, 1500, 210, {.Caption = "no focus", .TabIndex = 6}},
        {"txtUnordered", "", 1650, 150, 1200, 255, {}},
    };
    ProgramPump pump;
    form.Show();
    // The control holding the focus, by name.
    auto focused = [&]() -> std::string {
        HWND focus = GetFocus();
        for (ui::Element* element : form.Elements()) {
            HWND window = element->Window();
            if (window != nullptr && (window == focus || IsChild(window, focus))) {
                return element->Name();
            }
        }
        return focus == form.Hwnd() ? "form" : "elsewhere";
    };
    std::vector<std::string> forwards;
    for (int i = 0; i < 5; ++i) {
        KeyPress(VK_TAB);
        forwards.push_back(focused());
    }
    EXPECT_EQ(forwards, (std::vector<std::string>{"cmdFirst", "chkSecond", "txtLast",
                                                  "txtUnordered", "cmdFirst"}));
    std::vector<std::string> backwards;
    for (int i = 0; i < 4; ++i) {
        ShiftKeyPress(VK_TAB);
        backwards.push_back(focused());
    }
    EXPECT_EQ(backwards,
              (std::vector<std::string>{"txtUnordered", "txtLast", "chkSecond", "cmdFirst"}));

    // A text box takes the focus into its edit field, and the key types no tab there.
    KeyPress(VK_TAB);
    KeyPress(VK_TAB);
    EXPECT_EQ(GetFocus(), txtLast.tbTexto.Window());
    EXPECT_EQ(txtLast.Text(), "Texto");
    // Controls shown or enabled later join the order where they stand.
    fraHidden.SetVisible(true);
    cmdOff.SetEnabled(true);
    ShiftKeyPress(VK_TAB);
    EXPECT_EQ(focused(), "txtHidden");
    ShiftKeyPress(VK_TAB);
    EXPECT_EQ(focused(), "cmdOff");
}

TEST_F(FormLayer, ModalFormReturnsWhenHiddenAndBlocksItsOwner) {
    TestForm dialog;
    ui::Timer tmrAnswer{dialog, "tmrAnswer"};
    dialog.SetPicture(MakePicture(100, 60, RGB(90, 90, 90)));
    dialog.Move(0, 0, ui::Twips(100), ui::Twips(60));
    dialog.rows = {{"tmrAnswer", "", 0, 0, 0, 0, {.Interval = 50}}};
    bool ownerBlocked = false;
    RECT shownAt{};
    tmrAnswer.Tick = [&] {
        tmrAnswer.SetElementEnabled(false);
        ownerBlocked = !IsWindowEnabled(form.Hwnd());
        shownAt = WindowRect(dialog.Hwnd());
        dialog.Hide();
    };
    form.Show();
    dialog.ShowModal(form);
    EXPECT_TRUE(ownerBlocked);
    EXPECT_TRUE(IsWindowEnabled(form.Hwnd()));
    EXPECT_FALSE(IsWindowVisible(dialog.Hwnd()));
    EXPECT_TRUE(dialog.Loaded()) << "hidden, not unloaded";
    RECT owner = WindowRect(form.Hwnd());
    EXPECT_EQ((shownAt.left + shownAt.right) / 2, (owner.left + owner.right) / 2);
    EXPECT_EQ((shownAt.top + shownAt.bottom) / 2, (owner.top + owner.bottom) / 2);
}

TEST_F(FormLayer, FirstShowCentresOnTheWholeScreenWhateverTheWorkArea) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    // A taskbar down the left side and one along the bottom take part of the screen.
    RECT narrowed{300, 0, width, height - 100};
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &narrowed, 0));
    form.Show();
    SystemParametersInfoA(SPI_SETWORKAREA, 0, &work, 0);
    RECT shown = WindowRect(form.Hwnd());
    EXPECT_EQ(shown.left, (width - 200) / 2);
    EXPECT_EQ(shown.top, (height - 150) / 2);
}

TEST(PropertyBag, DefaultsCaseAndWhatIsWritten) {
    ui::PropertyBag bag({{"text", "Next"},
                         {"ENABLED", "0"},
                         {"BackColor", "&H00984E00&"},
                         {"MaxLength", "12"},
                         {"Broken", "x1"}});
    EXPECT_EQ(bag.ReadString("Text", "Texto"), "Next");
    EXPECT_EQ(bag.ReadString("Caption", "Texto"), "Texto");
    EXPECT_FALSE(bag.ReadBool("Enabled", true));
    EXPECT_EQ(bag.ReadColor("backcolor", 0), 0x00984E00u);
    EXPECT_EQ(bag.ReadLong("maxlength", 0), 12);
    EXPECT_EQ(bag.ReadLong("Broken", 7), 7) << "an unreadable value reads as the default";
    EXPECT_EQ(bag.ReadPicture("IconEnabled"), nullptr);

    ui::PropertyBag written;
    written.WriteString("Text", "Texto", "Texto");
    written.WriteBool("Enabled", true, true);
    written.WriteLong("MaxLength", 0, 0);
    EXPECT_TRUE(written.Entries().empty()) << "values equal to their defaults are not written";
    written.WriteString("Text", "Back", "Texto");
    written.WriteBool("Enabled", false, true);
    written.WriteColor("ForeColor", 0x80000008u, 0xF1EFF0u);
    EXPECT_EQ(written.ReadString("TEXT", ""), "Back");
    EXPECT_FALSE(written.ReadBool("enabled", true));
    EXPECT_EQ(written.ReadColor("forecolor", 0), 0x80000008u);
    written.WriteString("text", "Texto", "Texto");
    EXPECT_FALSE(written.Contains("Text")) << "writing the default back removes the key";
}

TEST(TextToInteger, NumbersAsTheFormSystemReadsThem) {
    struct Case {
        const char* text;
        std::int32_t number; // the value, or the failure's number
        bool fails;
    };
    const Case cases[] = {
        {"2", 2, false},
        {"  -17\t", -17, false},
        {"+3", 3, false},
        {"007", 7, false},
        // Fractions round half to even, on the digits as written.
        {"1.5", 2, false},
        {"2.5", 2, false},
        {"-2.5", -2, false},
        {"2.5000000000000000001", 3, false},
        {"2.4999999999999999999", 2, false},
        {".5", 0, false},
        {"7.", 7, false},
        {"-0.4", 0, false},
        // Hexadecimal and octal are bit patterns: up to 16 bits an Integer, up to 32 a Long.
        {"&H2", 2, false},
        {"&h7fff", 32767, false},
        {"&HFFFF", -1, false},
        {"&H8000", -32768, false},
        {"&HFFFFFFFF", -1, false},
        {"&O17", 15, false},
        {" &o177777 ", -1, false},
        // Other notations are no numbers.
        {"", 13, true},
        {"   ", 13, true},
        {"0x2", 13, true},
        {"inf", 13, true},
        {"nan", 13, true},
        {"1e1", 13, true},
        {"1,000", 13, true},
        {"- 1", 13, true},
        {"+", 13, true},
        {".", 13, true},
        {"2 3", 13, true},
        {"&H", 13, true},
        {"&HG", 13, true},
        {"&O8", 13, true},
        {"-&H2", 13, true},
        {"&H2&", 13, true},
        {"two", 13, true},
        {"99999999999999999999x", 13, true},
        // Numbers outside the 16 bits.
        {"32767.4", 32767, false},
        {"32767.5", 6, true},
        {"-32768.5", -32768, false},
        {"-32768.6", 6, true},
        {"40000", 6, true},
        {"99999999999999999999999", 6, true},
        {"&H10000", 6, true},
        {"&H7FFFFFFF", 6, true},
        {"&H100000000", 6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        if (c.fails) {
            EXPECT_EQ(FailureNumber([&] { ui::TextToInteger(c.text); }), c.number);
        } else {
            EXPECT_EQ(ui::TextToInteger(c.text), c.number);
        }
    }
}

} // namespace
} // namespace instalio::test
