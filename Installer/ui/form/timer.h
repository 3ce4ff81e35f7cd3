// A timer element: while Enabled, with an Interval above 0, it raises Tick every Interval
// milliseconds through a window timer of its host, so only while the thread pumps events.
#pragma once

#include "element.h"

namespace instalio::ui {

class Timer : public Element {
public:
    using Element::Element;
    ~Timer() override;

    int Interval() const { return interval_; }
    void SetInterval(int milliseconds);

    std::function<void()> Tick;

    void ApplyDesign(const Design& design) override;
    bool TakesMouse() const override { return false; }
    void Realize() override { Restart(); }
    bool HandleTimer(UINT_PTR id) override;

protected:
    void EnabledChanged() override { Restart(); }

private:
    void Restart();
    UINT_PTR Id() const { return reinterpret_cast<UINT_PTR>(this); }

    int interval_ = 0;
    bool running_ = false;
};

} // namespace instalio::ui
