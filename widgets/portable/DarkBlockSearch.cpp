#include "widgets/portable/DarkBlockSearch.h"

namespace widgets {

namespace {

// More columns than this in a row make the probe's block.
const int kDarkRunNeeded = 8;

bool IsDarkAt(const SPixelView& view, int x, int y)
{
    if (x < 0 || y < 0 || x >= view.width || y >= view.height)
        return false;
    return IsDarkPixel(view.pixels[static_cast<std::ptrdiff_t>(y) * view.stride + x]);
}

} // namespace

bool IsDarkPixel(std::uint32_t pixel)
{
    const std::uint32_t red = (pixel >> 16) & 0xFF;
    const std::uint32_t green = (pixel >> 8) & 0xFF;
    const std::uint32_t blue = pixel & 0xFF;
    return red <= 3 && green <= 3 && blue <= 3;
}

bool FindDarkBlock(const SPixelView& view, int* foundX, int* foundY)
{
    if (!view.pixels || view.width <= 0 || view.height <= 0)
        return false;
    for (int y = view.height - 3; y > 0; --y) {
        int run = 0;
        for (int x = 0; x < view.width; ++x) {
            if (IsDarkAt(view, x, y) && IsDarkAt(view, x, y - 2) && IsDarkAt(view, x, y + 2))
                ++run;
            else
                run = 0;
            if (run > kDarkRunNeeded) {
                *foundX = x - 1;
                *foundY = y - 6;
                return true;
            }
        }
    }
    return false;
}

} // namespace widgets
