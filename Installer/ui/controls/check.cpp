#include "check.h"

namespace instalio::ui {

namespace {

constexpr int kSize = 195;
constexpr OleColor kMarginColor = 0xF1EFF0;

Description Constituents() {
    // clang-format off
    return {
        {"PicOn", "", 0, 240, 195, 195, {.Picture = "CHECK_ON"}},
        {"PicOff", "", 240, 240, 195, 195, {.Picture = "CHECK_OFF"}},
        {"check", "", 0, 0, 195, 195, {.Picture = "CHECK_OFF", .MousePointer = "HAND"}},
    };
    // clang-format on
}

} // namespace

Check::Check(HostContainer& owner, std::string name) : UserControl(owner, std::move(name)) {
    ApplyDescription(Constituents());
    SetControlBackColor(kMarginColor);
    check.ElementClick = [this] { check_Click(); };
}

bool Check::Checked() {
    bool value = m_Checked;
    UpdatePicture();
    return value;
}

void Check::SetChecked(bool checked) {
    m_Checked = checked;
    PropertyChanged("Checked");
    UpdatePicture();
}

void Check::UpdatePicture() {
    check.SetPicture(m_Checked ? PicOn.Picture() : PicOff.Picture());
}

void Check::check_Click() {
    if (Click) {
        Click();
    }
    SetChecked(!m_Checked);
}

void Check::UserControl_Resize() {
    SetWidth(kSize);
    SetHeight(kSize);
}

void Check::UserControl_ReadProperties(const PropertyBag& bag) {
    m_Checked = bag.ReadBool("Checked", false);
    UpdatePicture();
}

void Check::UserControl_WriteProperties(PropertyBag& bag) const {
    bag.WriteBool("Checked", m_Checked, false);
    const_cast<Check*>(this)->UpdatePicture();
}

} // namespace instalio::ui
