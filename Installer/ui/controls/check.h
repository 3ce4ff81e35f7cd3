// The picture check box: a 13 x 13-pixel square showing an empty box or a box with a green
// tick. A click raises Click first and then turns the state over. It has no caption (a label
// of the host stands beside it) and is operated with the mouse only.
#pragma once

#include "image.h"
#include "usercontrol.h"

namespace instalio::ui {

class Check : public UserControl {
public:
    Check(HostContainer& owner, std::string name);

    // Reading the state also redraws the box.
    bool Checked();
    void SetChecked(bool checked);

    std::function<void()> Click;

    Image PicOn{*this, "PicOn"};
    Image PicOff{*this, "PicOff"};
    Image check{*this, "check"};

protected:
    void UserControl_ReadProperties(const PropertyBag& bag) override;
    void UserControl_WriteProperties(PropertyBag& bag) const override;
    void UserControl_Resize() override;

private:
    void UpdatePicture();
    void check_Click();

    bool m_Checked = false;
};

} // namespace instalio::ui
