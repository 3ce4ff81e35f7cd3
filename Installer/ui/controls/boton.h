// The picture button: a strip of fixed height drawn from a left cap, a stretched middle and a
// right cap, with an icon and a caption on top and a hand pointer over the whole strip. It is
// operated with the mouse only and raises Click. Disabled, it shows its disabled icon and a
// grey caption and raises nothing.
#pragma once

#include "image.h"
#include "label.h"
#include "usercontrol.h"

namespace instalio::ui {

class Boton : public UserControl {
public:
    Boton(HostContainer& owner, std::string name);

    std::string Text() const { return lblTexto.Caption(); }
    void SetText(const std::string& text);
    bool Enabled() const { return m_Enabled; }
    void SetEnabled(bool enabled);
    const PicturePtr& IconEnabled() const { return m_IconEnabled; }
    void SetIconEnabled(PicturePtr icon);
    const PicturePtr& IconDisabled() const { return m_IconDisabled; }
    void SetIconDisabled(PicturePtr icon);

    std::function<void()> Click;

    // Tab passes over a disabled button. An enabled one takes the focus, but no key presses it.
    bool TakesFocus() const override { return m_Enabled && UserControl::TakesFocus(); }

    Image Image1{*this, "Image1"};
    Image Image2{*this, "Image2"};
    Image Image3{*this, "Image3"};
    Label lblTexto{*this, "lblTexto"};
    Image Imagen{*this, "Imagen"};
    Label lblAccion{*this, "lblAccion"};

protected:
    void UserControl_ReadProperties(const PropertyBag& bag) override;
    void UserControl_WriteProperties(PropertyBag& bag) const override;
    void UserControl_Resize() override;

private:
    void UpdateAppearance();

    PicturePtr m_IconEnabled;
    PicturePtr m_IconDisabled;
    bool m_Enabled = false;
};

} // namespace instalio::ui
