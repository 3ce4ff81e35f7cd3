// Pictures: bitmaps from the program's resources or made at run time, and icons. A picture is
// shared: elements and controls hold references to the same object, never copies.
#pragma once

#include "owners.h"

#include <windows.h>

#include <memory>
#include <string>

namespace instalio::ui {

class Picture {
public:
    // Takes ownership of a bitmap; `name` is the resource it came from, empty for one made at
    // run time. A 32-bit bitmap is drawn with its (premultiplied) alpha channel.
    Picture(HBITMAP bitmap, std::string name = {});
    // Takes ownership of an icon.
    explicit Picture(HICON icon);
    // Takes ownership of a bitmap of an image list, drawn with its mask colour transparent.
    Picture(HBITMAP bitmap, COLORREF maskColor);
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    int Width() const { return width_; }   // pixels
    int Height() const { return height_; } // pixels
    // The picture's size as the picture object reports it, in HIMETRIC (0.01 mm).
    int HimetricWidth() const;
    int HimetricHeight() const;

    HBITMAP Bitmap() const { return bitmap_.get(); } // null for an icon
    HICON Icon() const { return icon_.get(); }       // null for a bitmap
    const std::string& Name() const { return name_; }
    bool HasAlpha() const { return alpha_; }

    // Draws the picture into the rectangle (x, y, width, height), stretched to it.
    void Draw(HDC dc, int x, int y, int width, int height) const;

private:
    ScopedBitmap bitmap_;
    ScopedIcon icon_;
    std::string name_;
    int width_ = 0;
    int height_ = 0;
    bool alpha_ = false;
    bool masked_ = false;
    COLORREF maskColor_ = 0;
};

using PicturePtr = std::shared_ptr<Picture>;

// The bitmap resource `name` of the program, loaded once and shared; null when the program has
// no such resource.
PicturePtr LoadPicture(const std::string& name);

// The cursor resource `name` of the program, loaded once; the system's hand cursor when the
// program has no such resource. Never freed (cursors from resources are shared).
HCURSOR LoadCursorResource(const std::string& name);

} // namespace instalio::ui
