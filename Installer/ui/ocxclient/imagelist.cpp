#include "imagelist.h"

#include "status.h"

namespace instalio::ocx {

ImageList::ImageList(COLORREF mask) : library_(ComCtl()) {
    ThrowIfFailed(library_.ImageListCreate(mask, &list_));
}

ImageList::~ImageList() {
    library_.ImageListDestroy(list_);
}

std::int32_t ImageList::Count() const {
    std::int32_t count = 0;
    ThrowIfFailed(library_.ImageListCount(list_, &count));
    return count;
}

void ImageList::Clear() {
    ThrowIfFailed(library_.ImageListClear(list_));
}

void ImageList::Add(HBITMAP picture) {
    ThrowIfFailed(library_.ImageListAdd(list_, picture));
}

ScopedBitmap ImageList::Picture(std::int32_t index) const {
    HBITMAP picture = nullptr;
    ThrowIfFailed(library_.ImageListPicture(list_, index, &picture));
    return ScopedBitmap(picture);
}

ScopedIcon ImageList::Icon(std::int32_t index) const {
    HICON icon = nullptr;
    ThrowIfFailed(library_.ImageListIcon(list_, index, &icon));
    return ScopedIcon(icon);
}

} // namespace instalio::ocx
