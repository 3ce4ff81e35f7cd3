// The activity bar: a small block that slides across a track in steps while the bar runs, and
// starts again at the left. It shows no percentage.
#pragma once

#include "image.h"
#include "timer.h"
#include "usercontrol.h"

namespace instalio::ui {

class Barra : public UserControl {
public:
    Barra(HostContainer& owner, std::string name);

    // True starts (or keeps) the animation; False stops it where the block stands.
    void Start(bool Value);

    Image Bar{*this, "Bar"};
    Image Left{*this, "Left"};
    Image Right{*this, "Right"};
    Image Center{*this, "Center"};
    ui::Timer Timer{*this, "Timer"};

protected:
    void UserControl_Resize() override;

private:
    void Timer_Timer();
};

} // namespace instalio::ui
