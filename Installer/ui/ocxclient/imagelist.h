// Image list of VMCOMCTL.OCX: 16 x 16 images, numbered from 1, transparent where an image has
// the mask colour.
#pragma once

#include "owners.h"
#include "vmcomctl.h"

#include <cstdint>

namespace instalio::ocx {

// Magenta, the mask colour of the program's image lists.
constexpr COLORREF kMagenta = RGB(255, 0, 255);

class ImageList {
public:
    explicit ImageList(COLORREF mask = kMagenta);
    ~ImageList();
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    std::int32_t Count() const;
    void Clear();
    // Adds a copy of `picture` as the last image (scaled to 16 x 16 when it has another size).
    void Add(HBITMAP picture);
    // The image as it was added, with the mask colour where it is transparent.
    ScopedBitmap Picture(std::int32_t index) const;
    // An icon made from the image, transparent where the image has the mask colour.
    ScopedIcon Icon(std::int32_t index) const;

    VmImageList* handle() const { return list_; }

private:
    const VmComCtl& library_;
    VmImageList* list_ = nullptr;
};

} // namespace instalio::ocx
