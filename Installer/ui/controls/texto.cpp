#include "texto.h"

#include <algorithm>

namespace instalio::ui {

namespace {

constexpr char kDefaultText[] = "Texto";
constexpr OleColor kDefaultBorderColor = kSystemColorFlag | COLOR_WINDOWTEXT; // &H80000008
constexpr OleColor kDefaultColor = 0xF1EFF0; // background and text alike
constexpr int kMarginX = 60;
constexpr int kMarginY = 30;

Description Constituents() {
    // clang-format off
    return {
        {"Borde", "", 0, 0, 2400, 255, {}},
        {"tbTexto", "", kMarginX, kMarginY, 2280, 195, {}},
    };
    // clang-format on
}

} // namespace

Texto::Texto(HostContainer& owner, std::string name) : UserControl(owner, std::move(name)) {
    ApplyDescription(Constituents());
    tbTexto.Change = [this] {
        if (Change) {
            Change();
        }
    };
    tbTexto.KeyPress = [this](std::int16_t& KeyAscii) {
        if (KeyPress) {
            KeyPress(KeyAscii);
        }
    };
    tbTexto.KeyUp = [this](std::int16_t& KeyCode, std::int16_t& Shift) {
        if (KeyUp) {
            KeyUp(KeyCode, Shift);
        }
    };
}

void Texto::SetText(const std::string& text) {
    tbTexto.SetText(text);
    PropertyChanged("Text");
}

void Texto::SetMaxLength(long length) {
    tbTexto.SetMaxLength(length);
    PropertyChanged("MaxLength");
}

void Texto::SetEnabled(bool enabled) {
    tbTexto.SetElementEnabled(enabled);
    PropertyChanged("Enabled");
}

void Texto::SetLocked(bool locked) {
    tbTexto.SetLocked(locked);
    PropertyChanged("Locked");
}

void Texto::SetBorderColor(OleColor color) {
    Borde.SetBorderColor(color);
    PropertyChanged("BorderColor");
}

void Texto::SetBackColor(OleColor color) {
    tbTexto.SetBackColor(color);
    SetControlBackColor(color);
    PropertyChanged("BackColor");
}

void Texto::SetForeColor(OleColor color) {
    tbTexto.SetForeColor(color);
    PropertyChanged("ForeColor");
}

void Texto::UserControl_Resize() {
    Borde.Move(0, 0, Width(), Height());
    // Below 120 x 60 twips the text box keeps no negative size.
    tbTexto.Move(kMarginX, kMarginY, std::max(0, Width() - 2 * kMarginX),
                 std::max(0, Height() - 2 * kMarginY));
}

void Texto::UserControl_GotFocus() {
    if (Enabled()) {
        tbTexto.SetFocus();
    }
}

void Texto::UserControl_ReadProperties(const PropertyBag& bag) {
    tbTexto.SetText(bag.ReadString("Text", kDefaultText));
    tbTexto.SetMaxLength(bag.ReadLong("MaxLength", 0));
    tbTexto.SetElementEnabled(bag.ReadBool("Enabled", true));
    tbTexto.SetLocked(bag.ReadBool("Locked", false));
    Borde.SetBorderColor(bag.ReadColor("BorderColor", kDefaultBorderColor));
    tbTexto.SetBackColor(bag.ReadColor("BackColor", kDefaultColor));
    tbTexto.SetForeColor(bag.ReadColor("ForeColor", kDefaultColor));
    SetControlBackColor(bag.ReadColor("BackColor", kDefaultColor));
}

void Texto::UserControl_WriteProperties(PropertyBag& bag) const {
    bag.WriteString("Text", Text(), kDefaultText);
    bag.WriteLong("MaxLength", MaxLength(), 0);
    bag.WriteBool("Enabled", Enabled(), true);
    bag.WriteBool("Locked", Locked(), false);
    bag.WriteColor("BorderColor", BorderColor(), kDefaultBorderColor);
    bag.WriteColor("BackColor", BackColor(), kDefaultColor);
    bag.WriteColor("ForeColor", ForeColor(), kDefaultColor);
}

} // namespace instalio::ui
