// A windowless label: a caption drawn in a font and colour, wrapped at word boundaries within
// the label, on a transparent or an opaque background.
#pragma once

#include "element.h"
#include "font.h"

#include <string>

namespace instalio::ui {

class Label : public Element {
public:
    using Element::Element;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    OleColor ForeColor() const { return foreColor_; }
    void SetForeColor(OleColor color);
    OleColor BackColor() const { return backColor_; }
    void SetBackColor(OleColor color);
    // Opaque: the background is filled with BackColor; otherwise what lies beneath shows.
    bool Opaque() const { return opaque_; }
    void SetOpaque(bool opaque);
    const FontSpec& Font() const { return font_; }
    void SetFont(const FontSpec& font);

    void ApplyDesign(const Design& design) override;
    void Paint(HDC dc, const RECT& rect) const override;

private:
    std::string caption_;
    OleColor foreColor_ = kSystemColorFlag | COLOR_BTNTEXT;
    OleColor backColor_ = kSystemColorFlag | COLOR_BTNFACE;
    bool opaque_ = false;
    FontSpec font_;
};

} // namespace instalio::ui
