#include "barra.h"

namespace instalio::ui {

namespace {

// The block's left position at the start of each sweep, and the length of a step.
constexpr int kStartLeft = 65;
constexpr int kStep = 100;
constexpr int kHeight = 210;

Description Constituents() {
    // clang-format off
    return {
        {"Timer", "", 0, 0, 0, 0, {.Enabled = false, .Interval = 100}},
        {"Center", "", 95, 0, 375, 210, {.Picture = "BARRA_CENTER", .Stretch = true, .MousePointer = "HAND"}},
        {"Right", "", 480, 0, 90, 210, {.Picture = "BARRA_RIGHT", .MousePointer = "HAND"}},
        {"Left", "", 0, 0, 90, 210, {.Picture = "BARRA_LEFT", .MousePointer = "HAND"}},
        {"Bar", "", kStartLeft, 60, 150, 90, {.Picture = "BARRA_BLOCK", .MousePointer = "HAND"}},
    };
    // clang-format on
}

} // namespace

Barra::Barra(HostContainer& owner, std::string name) : UserControl(owner, std::move(name)) {
    ApplyDescription(Constituents());
    SetTransparent(true);
    SetCanGetFocus(false); // a display: neither a click nor Tab gives it the focus
    Timer.Tick = [this] { Timer_Timer(); };
}

void Barra::Start(bool Value) {
    Timer.SetElementEnabled(Value);
}

void Barra::UserControl_Resize() {
    Right.SetLeft(Width() - Right.Width());
    Center.SetWidth(std::max(0, Width() - Center.Left() - Right.Width()));
    SetHeight(kHeight);
}

void Barra::Timer_Timer() {
    // Compared in single precision, as the bar always was.
    auto limit = static_cast<float>(Width() - Bar.Width() - kStartLeft);
    if (limit > static_cast<float>(Bar.Left())) {
        Bar.SetLeft(Bar.Left() + kStep);
    } else {
        Bar.SetLeft(kStartLeft);
    }
}

} // namespace instalio::ui
