#include "label.h"

#include "owners.h"

namespace instalio::ui {

void Label::SetCaption(const std::string& caption) {
    if (caption != caption_) {
        caption_ = caption;
        Invalidate();
    }
}

void Label::SetForeColor(OleColor color) {
    foreColor_ = color;
    Invalidate();
}

void Label::SetBackColor(OleColor color) {
    backColor_ = color;
    Invalidate();
}

void Label::SetOpaque(bool opaque) {
    opaque_ = opaque;
    Invalidate();
}

void Label::SetFont(const FontSpec& font) {
    font_ = font;
    Invalidate();
}

void Label::ApplyDesign(const Design& design) {
    Element::ApplyDesign(design);
    if (design.Caption) {
        SetCaption(*design.Caption);
    }
    if (design.ForeColor) {
        SetForeColor(*design.ForeColor);
    }
    if (design.BackColor) {
        SetBackColor(*design.BackColor);
    }
    if (design.Opaque) {
        SetOpaque(*design.Opaque);
    }
    FontSpec font = font_;
    font.Name = design.FontName.value_or(font.Name);
    font.Size = design.FontSize.value_or(font.Size);
    font.Bold = design.FontBold.value_or(font.Bold);
    SetFont(font);
}

void Label::Paint(HDC dc, const RECT& rect) const {
    if (opaque_) {
        ScopedBrush brush(CreateSolidBrush(ToColorRef(backColor_)));
        FillRect(dc, &rect, brush.get());
    }
    if (caption_.empty()) {
        return;
    }
    ScopedSelect font(dc, GetFont(font_));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ElementEnabledInHost() ? ToColorRef(foreColor_) : GetSysColor(COLOR_GRAYTEXT));
    RECT area = rect;
    DrawTextA(dc, caption_.c_str(), static_cast<int>(caption_.size()), &area,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
}

} // namespace instalio::ui
