// A windowless container with a background colour; its children are placed relative to it and
// shown only while it is visible.
#pragma once

#include "element.h"

namespace instalio::ui {

class Frame : public Container {
public:
    using Container::Container;

    OleColor BackColor() const { return backColor_; }
    void SetBackColor(OleColor color);

    void ApplyDesign(const Design& design) override;
    void PaintBackground(HDC dc, const RECT& rect) const override;

private:
    OleColor backColor_ = kSystemColorFlag | COLOR_BTNFACE;
};

} // namespace instalio::ui
