// A windowless image: a picture stretched to the image, or an image sized to its picture.
#pragma once

#include "element.h"
#include "picture.h"

namespace instalio::ui {

class Image : public Element {
public:
    using Element::Element;

    const PicturePtr& Picture() const { return picture_; }
    // Not stretched, the image takes the size of the picture it is given.
    void SetPicture(PicturePtr picture);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

    void ApplyDesign(const Design& design) override;
    void Paint(HDC dc, const RECT& rect) const override;

private:
    void FitToPicture();

    PicturePtr picture_;
    bool stretch_ = false;
};

} // namespace instalio::ui
