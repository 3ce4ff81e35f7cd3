// A windowless rectangle outline, one pixel wide, transparent inside. It takes no mouse input:
// a press falls through to what lies beneath.
#pragma once

#include "element.h"

namespace instalio::ui {

class Shape : public Element {
public:
    using Element::Element;

    OleColor BorderColor() const { return borderColor_; }
    void SetBorderColor(OleColor color);

    void ApplyDesign(const Design& design) override;
    void Paint(HDC dc, const RECT& rect) const override;
    bool TakesMouse() const override { return false; }

private:
    OleColor borderColor_ = kSystemColorFlag | COLOR_WINDOWTEXT;
};

} // namespace instalio::ui
