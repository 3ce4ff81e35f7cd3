#include "frame.h"

#include "owners.h"

namespace instalio::ui {

void Frame::SetBackColor(OleColor color) {
    backColor_ = color;
    Invalidate();
}

void Frame::ApplyDesign(const Design& design) {
    Container::ApplyDesign(design);
    if (design.BackColor) {
        SetBackColor(*design.BackColor);
    }
}

void Frame::PaintBackground(HDC dc, const RECT& rect) const {
    ScopedBrush brush(CreateSolidBrush(ToColorRef(backColor_)));
    FillRect(dc, &rect, brush.get());
}

} // namespace instalio::ui
