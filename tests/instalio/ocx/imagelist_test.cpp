// The image list of the common controls library: images with the mask colour, their pictures
// and the icons made from them.
#include "imagelist.h"

#include "controls_support.h"
#include "failure.h"

#include <gtest/gtest.h>

using namespace instalio;
using namespace instalio::test;

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// The pixels of an icon's colour and mask bitmaps at (x, y): the mask is set where the icon is
// transparent.
struct IconPixel {
    COLORREF colour;
    bool transparent;
};
IconPixel IconPixelAt(HICON icon, int x, int y) {
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(icon, &info));
    IconPixel pixel = {PixelOf(info.hbmColor, x, y),
                       test::PixelOf(info.hbmMask, x, y) != RGB(0, 0, 0)};
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixel;
}

class Images : public ::testing::Test {
protected:
    TestWindow window; // registers the library
    ocx::ImageList images;
};

TEST_F(Images, PicturesComeBackAsAddedAndIconsAreTransparentWhereTheMaskColourWas) {
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 0, 200)};
    for (COLORREF colour : colours) {
        HBITMAP picture = HalfMagenta(colour);
        images.Add(picture);
        DeleteObject(picture);
    }
    ASSERT_EQ(images.Count(), 2);
    for (int i = 1; i <= 2; ++i) {
        const COLORREF colour = colours[i - 1];
        ScopedBitmap picture = images.Picture(i);
        ASSERT_NE(picture.get(), nullptr);
        BITMAP size = {};
        GetObjectA(picture.get(), sizeof size, &size);
        EXPECT_EQ(size.bmWidth, 16);
        EXPECT_EQ(size.bmHeight, 16);
        EXPECT_EQ(PixelOf(picture.get(), 2, 5), colour) << i;
        EXPECT_EQ(PixelOf(picture.get(), 12, 5), kMagenta) << i;

        ScopedIcon icon = images.Icon(i);
        ASSERT_NE(icon.get(), nullptr);
        IconPixel left = IconPixelAt(icon.get(), 2, 5);
        EXPECT_EQ(left.colour, colour) << i;
        EXPECT_FALSE(left.transparent) << i;
        EXPECT_TRUE(IconPixelAt(icon.get(), 12, 5).transparent) << i;
    }
}

TEST_F(Images, APictureOfAnotherSizeIsOneImage) {
    HDC screen = GetDC(nullptr);
    HBITMAP wide = CreateCompatibleBitmap(screen, 32, 16);
    ReleaseDC(nullptr, screen);
    images.Add(wide);
    DeleteObject(wide);
    EXPECT_EQ(images.Count(), 1);
    EXPECT_EQ(FailureNumber([&] { images.Add(nullptr); }), 481);
    EXPECT_EQ(images.Count(), 1);
}

TEST_F(Images, ClearAndIndexesOutOfRange) {
    HBITMAP picture = HalfMagenta(RGB(0, 200, 0));
    images.Add(picture);
    images.Add(picture);
    DeleteObject(picture);
    images.Clear();
    EXPECT_EQ(images.Count(), 0);
    images.Clear(); // an empty list stays empty
    for (int index : {0, 1, -1}) {
        EXPECT_EQ(FailureNumber([&] { images.Picture(index); }), 35600) << index;
        EXPECT_EQ(FailureNumber([&] { images.Icon(index); }), 35600) << index;
    }
}

} // namespace
