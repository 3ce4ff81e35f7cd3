// Image list of 16 x 16 images with a mask colour, on the platform's image list. Images are
// numbered from 1.
#pragma once

#include "vmcomctl.h"

#include <commctrl.h>

#include <vector>

namespace instalio::vmcomctl {

class Site;

class ImageList {
public:
    static constexpr int kSize = 16;

    explicit ImageList(COLORREF mask);
    ~ImageList();
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    bool valid() const { return images_ != nullptr; }
    HIMAGELIST handle() const { return images_; }

    int32_t Count() const;
    VmStatus Clear();
    // Adds a copy of `picture`, scaled to 16 x 16 when it has another size; pixels of the mask
    // colour become transparent.
    VmStatus Add(HBITMAP picture);
    // A new 24-bit bitmap of image `index` as it was added (the mask colour where it is
    // transparent).
    VmStatus Picture(int32_t index, HBITMAP& picture) const;
    // A new icon of image `index`, transparent where the image had the mask colour.
    VmStatus Icon(int32_t index, HICON& icon) const;

    // The controls that show this list, told when it goes away.
    void Remember(Site* user);
    void Forget(Site* user);

private:
    HIMAGELIST images_ = nullptr;
    COLORREF mask_;
    std::vector<Site*> users_;
};

} // namespace instalio::vmcomctl
