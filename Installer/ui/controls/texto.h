// The bordered text box: a single-line text box inside a thin rectangular outline, with a
// margin in the control's own background colour between the two. Every property lives in one
// of the two constituents; every event is the inner text box's, passed on unchanged.
#pragma once

#include "shape.h"
#include "textbox.h"
#include "usercontrol.h"

namespace instalio::ui {

class Texto : public UserControl {
public:
    Texto(HostContainer& owner, std::string name);

    std::string Text() const { return tbTexto.Text(); }
    void SetText(const std::string& text);
    long MaxLength() const { return tbTexto.MaxLength(); }
    void SetMaxLength(long length);
    bool Enabled() const { return tbTexto.ElementEnabled(); }
    void SetEnabled(bool enabled);
    bool Locked() const { return tbTexto.Locked(); }
    void SetLocked(bool locked);
    OleColor BorderColor() const { return Borde.BorderColor(); }
    void SetBorderColor(OleColor color);
    OleColor BackColor() const { return tbTexto.BackColor(); }
    void SetBackColor(OleColor color);
    OleColor ForeColor() const { return tbTexto.ForeColor(); }
    void SetForeColor(OleColor color);

    std::function<void()> Change;
    std::function<void(std::int16_t& KeyAscii)> KeyPress;
    std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyUp;

    Shape Borde{*this, "Borde"};
    TextBox tbTexto{*this, "tbTexto"};

protected:
    void UserControl_ReadProperties(const PropertyBag& bag) override;
    void UserControl_WriteProperties(PropertyBag& bag) const override;
    void UserControl_Resize() override;
    void UserControl_GotFocus() override;
};

} // namespace instalio::ui
