#include "boton.h"

#include <algorithm>

namespace instalio::ui {

namespace {

constexpr int kHeight = 405;
constexpr OleColor kCaptionColor = 0x000000;
constexpr OleColor kDisabledCaptionColor = 0x888888;
constexpr char kDefaultText[] = "Texto";

Description Constituents() {
    // clang-format off
    return {
        {"Image1", "", 0, 0, 120, 405, {.Picture = "BOTON_LEFT"}},
        {"Image2", "", 120, 0, 1945, 405, {.Picture = "BOTON_CENTER", .Stretch = true}},
        {"Image3", "", 2065, 0, 135, 405, {.Picture = "BOTON_RIGHT"}},
        {"lblTexto", "", 520, 90, 1680, 210, {.Caption = "", .Opaque = false}},
        {"Imagen", "", 160, 60, 270, 270, {.Stretch = false}},
        {"lblAccion", "", 0, 0, 2200, 405, {.Caption = "", .Opaque = false, .MousePointer = "HAND"}},
    };
    // clang-format on
}

} // namespace

Boton::Boton(HostContainer& owner, std::string name) : UserControl(owner, std::move(name)) {
    ApplyDescription(Constituents());
    SetTransparent(true);
    lblAccion.ElementClick = [this] {
        if (Click) {
            Click();
        }
    };
}

void Boton::SetText(const std::string& text) {
    lblTexto.SetCaption(text);
    PropertyChanged("Text");
}

void Boton::SetEnabled(bool enabled) {
    m_Enabled = enabled;
    PropertyChanged("Enabled");
    UpdateAppearance();
}

void Boton::SetIconEnabled(PicturePtr icon) {
    m_IconEnabled = std::move(icon);
    PropertyChanged("IconEnabled");
    UpdateAppearance();
}

void Boton::SetIconDisabled(PicturePtr icon) {
    m_IconDisabled = std::move(icon);
    PropertyChanged("IconDisabled");
    UpdateAppearance();
}

void Boton::UpdateAppearance() {
    lblAccion.SetElementEnabled(m_Enabled);
    if (m_Enabled) {
        lblTexto.SetForeColor(kCaptionColor);
        Imagen.SetPicture(m_IconEnabled);
    } else {
        lblTexto.SetForeColor(kDisabledCaptionColor);
        Imagen.SetPicture(m_IconDisabled);
    }
}

void Boton::UserControl_Resize() {
    SetHeight(kHeight);
    // Below the caption's left edge the computed widths stop at 0.
    Image3.SetLeft(Width() - Image3.Width());
    Image2.SetWidth(std::max(0, Image3.Left() - Image2.Left()));
    lblTexto.SetWidth(std::max(0, Width() - lblTexto.Left()));
    lblAccion.SetWidth(Width());
}

void Boton::UserControl_ReadProperties(const PropertyBag& bag) {
    lblTexto.SetCaption(bag.ReadString("Text", kDefaultText));
    m_Enabled = bag.ReadBool("Enabled", true);
    SetIconEnabled(bag.ReadPicture("IconEnabled"));
    SetIconDisabled(bag.ReadPicture("IconDisabled"));
}

void Boton::UserControl_WriteProperties(PropertyBag& bag) const {
    bag.WriteString("Text", lblTexto.Caption(), kDefaultText);
    bag.WriteBool("Enabled", m_Enabled, true);
    bag.WritePicture("IconEnabled", m_IconEnabled);
    bag.WritePicture("IconDisabled", m_IconDisabled);
}

} // namespace instalio::ui
