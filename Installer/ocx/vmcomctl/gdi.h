// The bitmaps the library makes for a moment.
#pragma once

#include "owners.h"

namespace instalio::vmcomctl {

// A 24-bit bitmap of width x height; null when it cannot be made.
HBITMAP NewBitmap(int width, int height);

} // namespace instalio::vmcomctl
