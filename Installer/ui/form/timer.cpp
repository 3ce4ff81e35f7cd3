#include "timer.h"

#include "host.h"

namespace instalio::ui {

Timer::~Timer() {
    if (running_ && Host() != nullptr && Host()->Hwnd() != nullptr) {
        KillTimer(Host()->Hwnd(), Id());
    }
}

void Timer::SetInterval(int milliseconds) {
    interval_ = milliseconds;
    Restart();
}

void Timer::ApplyDesign(const Design& design) {
    Element::ApplyDesign(design);
    if (design.Interval) {
        SetInterval(*design.Interval);
    }
}

void Timer::Restart() {
    HWND window = Host() != nullptr ? Host()->Hwnd() : nullptr;
    if (window == nullptr) {
        return; // started when the host window exists
    }
    if (running_) {
        KillTimer(window, Id());
        running_ = false;
    }
    if (ElementEnabled() && interval_ > 0) {
        running_ = SetTimer(window, Id(), static_cast<UINT>(interval_), nullptr) != 0;
    }
}

bool Timer::HandleTimer(UINT_PTR id) {
    if (id != Id()) {
        return false;
    }
    if (Tick) {
        Tick();
    }
    return true;
}

} // namespace instalio::ui
