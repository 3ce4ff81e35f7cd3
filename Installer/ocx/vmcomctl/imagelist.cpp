#include "imagelist.h"

#include "gdi.h"
#include "site.h"

#include <algorithm>

namespace instalio::vmcomctl {

ImageList::ImageList(COLORREF mask)
    : images_(ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, 0, 8)), mask_(mask) {}

ImageList::~ImageList() {
    for (Site* user : users_) {
        user->ForgetImageList();
    }
    if (images_ != nullptr) {
        ImageList_Destroy(images_);
    }
}

int32_t ImageList::Count() const {
    return ImageList_GetImageCount(images_);
}

VmStatus ImageList::Clear() {
    ImageList_Remove(images_, -1);
    return VMCOMCTL_OK;
}

VmStatus ImageList::Add(HBITMAP picture) {
    BITMAP size = {};
    if (picture == nullptr || GetObjectA(picture, sizeof size, &size) != sizeof size ||
        size.bmWidth <= 0 || size.bmHeight <= 0) {
        return VMCOMCTL_E_INVALID_PICTURE;
    }
    // The platform's list would cut a wider picture into several images: scale it instead.
    const bool otherSize = size.bmWidth != kSize || size.bmHeight != kSize;
    ScopedBitmap scaled(otherSize ? NewBitmap(kSize, kSize) : nullptr);
    if (otherSize) {
        ScopedMemoryDC from(CreateCompatibleDC(nullptr));
        ScopedSelect fromPicture(from.get(), picture);
        ScopedMemoryDC to(CreateCompatibleDC(nullptr));
        ScopedSelect toScaled(to.get(), scaled.get());
        if (!fromPicture.valid() || !toScaled.valid()) {
            return VMCOMCTL_E_INVALID_PICTURE;
        }
        SetStretchBltMode(to.get(), COLORONCOLOR); // keeps the mask colour exact
        StretchBlt(to.get(), 0, 0, kSize, kSize, from.get(), 0, 0, size.bmWidth, size.bmHeight,
                   SRCCOPY);
    }
    HBITMAP image = scaled.get() != nullptr ? scaled.get() : picture;
    return ImageList_AddMasked(images_, image, mask_) >= 0 ? VMCOMCTL_OK
                                                           : VMCOMCTL_E_INVALID_PICTURE;
}

VmStatus ImageList::Picture(int32_t index, HBITMAP& picture) const {
    if (index < 1 || index > Count()) {
        return VMCOMCTL_E_INDEX_OUT_OF_BOUNDS;
    }
    ScopedBitmap bitmap(NewBitmap(kSize, kSize));
    {
        ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
        ScopedSelect select(dc.get(), bitmap.get());
        if (!select.valid()) {
            return VMCOMCTL_E_OUT_OF_MEMORY;
        }
        // The transparent pixels get the mask colour back.
        ScopedBrush brush(CreateSolidBrush(mask_));
        RECT all = {0, 0, kSize, kSize};
        FillRect(dc.get(), &all, brush.get());
        ImageList_Draw(images_, index - 1, dc.get(), 0, 0, ILD_TRANSPARENT);
    }
    picture = bitmap.release();
    return VMCOMCTL_OK;
}

VmStatus ImageList::Icon(int32_t index, HICON& icon) const {
    if (index < 1 || index > Count()) {
        return VMCOMCTL_E_INDEX_OUT_OF_BOUNDS;
    }
    icon = ImageList_GetIcon(images_, index - 1, ILD_TRANSPARENT);
    return icon != nullptr ? VMCOMCTL_OK : VMCOMCTL_E_OUT_OF_MEMORY;
}

void ImageList::Remember(Site* user) {
    if (std::find(users_.begin(), users_.end(), user) == users_.end()) {
        users_.push_back(user);
    }
}

void ImageList::Forget(Site* user) {
    users_.erase(std::remove(users_.begin(), users_.end(), user), users_.end());
}

} // namespace instalio::vmcomctl
