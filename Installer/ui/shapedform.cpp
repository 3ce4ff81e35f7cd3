#include "shapedform.h"

#include "failure.h"
#include "owners.h"
#include "pump.h"

#include <vector>

namespace instalio::ui {

namespace {

bool IsTransparent(RGBQUAD pixel) {
    return pixel.rgbRed == 255 && pixel.rgbGreen == 0 && pixel.rgbBlue == 255;
}

} // namespace

ScopedRegion RegionFromPicture(const Picture& picture) {
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc.valid()) {
        return ScopedRegion();
    }
    const int width = picture.Width();
    const int height = picture.Height();
    // The picture's pixels, top row first, read at once instead of one by one.
    std::vector<RGBQUAD> pixels(static_cast<std::size_t>(width) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (picture.Bitmap() == nullptr ||
        GetDIBits(dc.get(), picture.Bitmap(), 0, static_cast<UINT>(height), pixels.data(), &info,
                  DIB_RGB_COLORS) != height) {
        pixels.assign(pixels.size(), RGBQUAD{});
    }

    // The region is the picture less every run of magenta pixels; it is made here as the union
    // of the runs that are not magenta, which is the same set of pixels.
    std::vector<RECT> runs;
    for (int y = 0; y < height; ++y) {
        const RGBQUAD* row = pixels.data() + static_cast<std::size_t>(y) * width;
        int x = 0;
        while (x < width) {
            while (x < width && IsTransparent(row[x])) {
                ++x;
            }
            int start = x;
            while (x < width && !IsTransparent(row[x])) {
                ++x;
            }
            if (x > start) {
                runs.push_back(RECT{start, y, x, y + 1});
            }
        }
    }
    if (runs.empty()) {
        return ScopedRegion(CreateRectRgn(0, 0, 0, 0));
    }
    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    region->rdh.dwSize = sizeof(RGNDATAHEADER);
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<DWORD>(runs.size());
    region->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    region->rdh.rcBound = RECT{0, 0, width, height};
    std::copy(runs.begin(), runs.end(), reinterpret_cast<RECT*>(region->Buffer));
    return ScopedRegion(ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region));
}

void ShapeForm(Form& form) {
    const PicturePtr& picture = form.Picture();
    if (picture == nullptr) {
        throw RunTimeFailure{91, "Object variable or With block variable not set"};
    }
    ScopedRegion region = RegionFromPicture(*picture);
    // A window that takes the region owns it from then on; one it refused is deleted here.
    if (SetWindowRgn(form.Hwnd(), region.get(), TRUE) != 0) {
        region.release();
    }
    form.SetHeight(HimetricToTwips(picture->HimetricHeight()));
    form.SetWidth(HimetricToTwips(picture->HimetricWidth()));
}

void ShapedForm::Form_Load() {
    ShapeForm(*this);
}

void ShapedForm::Form_MouseDown(int, int, int, int) {
    DragForm(*this);
}

void DragForm(Form& form) {
    if (form.WindowState() == kNormalState) {
        ReleaseCapture();
        SendMessageA(form.Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
    DoEvents();
}

} // namespace instalio::ui
