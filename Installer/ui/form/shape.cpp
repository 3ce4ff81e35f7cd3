#include "shape.h"

#include "owners.h"

namespace instalio::ui {

void Shape::SetBorderColor(OleColor color) {
    borderColor_ = color;
    Invalidate();
}

void Shape::ApplyDesign(const Design& design) {
    Element::ApplyDesign(design);
    if (design.BorderColor) {
        SetBorderColor(*design.BorderColor);
    }
}

void Shape::Paint(HDC dc, const RECT& rect) const {
    ScopedBrush brush(CreateSolidBrush(ToColorRef(borderColor_)));
    FrameRect(dc, &rect, brush.get());
}

} // namespace instalio::ui
