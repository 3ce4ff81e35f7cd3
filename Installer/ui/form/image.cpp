#include "image.h"

namespace instalio::ui {

void Image::SetPicture(PicturePtr picture) {
    picture_ = std::move(picture);
    FitToPicture();
    Invalidate();
}

void Image::SetStretch(bool stretch) {
    stretch_ = stretch;
    FitToPicture();
    Invalidate();
}

void Image::FitToPicture() {
    if (!stretch_ && picture_ != nullptr) {
        SetWidth(Twips(picture_->Width()));
        SetHeight(Twips(picture_->Height()));
    }
}

void Image::ApplyDesign(const Design& design) {
    Element::ApplyDesign(design);
    if (design.Stretch) {
        SetStretch(*design.Stretch);
    }
    if (design.Picture) {
        SetPicture(LoadPicture(*design.Picture));
    }
}

void Image::Paint(HDC dc, const RECT& rect) const {
    if (picture_ == nullptr) {
        return;
    }
    if (stretch_) {
        picture_->Draw(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    } else {
        picture_->Draw(dc, rect.left, rect.top, picture_->Width(), picture_->Height());
    }
}

} // namespace instalio::ui
