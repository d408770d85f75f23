#pragma once
// Finding the tray probe's picture in a copy of the notification area: the probe holds a block of
// near-black pixels, which nothing else the area shows is expected to hold.

#include <cstddef>
#include <cstdint>

namespace widgets {

// Pixels as 0x00RRGGBB, top row first; `stride` counts pixels from one row to the next. The
// caller owns the pixels.
struct SPixelView {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

// Red, green and blue each 0 to 3.
bool IsDarkPixel(std::uint32_t pixel);

// Rows run from the third from the bottom (height - 3) upward while above the top row, each from
// left to right. A column counts when (x, y), (x, y - 2) and (x, y + 2) are all dark (a pixel
// outside the view is not); nine such columns side by side end the search with the point
// (x - 1, y - 6), x being the ninth column. False when no row holds them.
bool FindDarkBlock(const SPixelView& view, int* foundX, int* foundY);

} // namespace widgets
