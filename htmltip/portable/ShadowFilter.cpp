#include "htmltip/portable/ShadowFilter.h"

#include <algorithm>
#include <vector>

#include "htmltip/portable/PixelEffects.h"

int ShadowKernelSize(int blur, int side)
{
    if (blur < 1)
        blur = 1;
    if (blur % 2 == 0)
        ++blur;
    // The largest odd size within the side.
    const int largest = side <= 1 ? 1 : (side % 2 ? side : side - 1);
    return std::min(blur, largest);
}

void DarkenByShadowMask(uint32_t* dest, const uint8_t* mask, int width, int height, bool gradient, int blurX, int blurY)
{
    if (width <= 0 || height <= 0)
        return;
    const size_t count = size_t(width) * size_t(height);
    if (!gradient) {
        for (size_t i = 0; i < count; ++i)
            dest[i] = ScalePixelExact(dest[i], mask[i], 255);
        return;
    }
    const int kx = ShadowKernelSize(blurX, width);
    const int ky = ShadowKernelSize(blurY, height);
    const int hx = kx / 2;
    const int hy = ky / 2;

    // The mask shrunk into (hx, hy, width - hx, height - hy) of a white area, padded by the
    // kernel's half with white on every side.
    const int innerW = width - 2 * hx;
    const int innerH = height - 2 * hy;
    const int paddedW = width + 2 * hx;
    const int paddedH = height + 2 * hy;
    std::vector<uint32_t> padded(size_t(paddedW) * size_t(paddedH), 255);
    for (int y = 0; y < innerH; ++y) {
        const int sy = int((2 * int64_t(y) + 1) * height / (2 * int64_t(innerH)));
        for (int x = 0; x < innerW; ++x) {
            const int sx = int((2 * int64_t(x) + 1) * width / (2 * int64_t(innerW)));
            padded[size_t(y + 2 * hy) * size_t(paddedW) + size_t(x + 2 * hx)] =
                mask[size_t(sy) * size_t(width) + size_t(sx)];
        }
    }

    // Running sums along the rows, then down the columns: each kernel sum costs two steps.
    std::vector<uint32_t> rows(size_t(width) * size_t(paddedH));
    for (int y = 0; y < paddedH; ++y) {
        const uint32_t* in = &padded[size_t(y) * size_t(paddedW)];
        uint32_t* out = &rows[size_t(y) * size_t(width)];
        uint32_t sum = 0;
        for (int x = 0; x < kx; ++x)
            sum += in[x];
        out[0] = sum;
        for (int x = 1; x < width; ++x) {
            sum += in[x + kx - 1] - in[x - 1];
            out[x] = sum;
        }
    }
    const uint64_t divisor = uint64_t(kx) * uint64_t(ky) * 255;
    for (int x = 0; x < width; ++x) {
        uint64_t sum = 0;
        for (int y = 0; y < ky; ++y)
            sum += rows[size_t(y) * size_t(width) + size_t(x)];
        for (int y = 0; y < height; ++y) {
            if (y > 0)
                sum += uint64_t(rows[size_t(y + ky - 1) * size_t(width) + size_t(x)]) -
                       rows[size_t(y - 1) * size_t(width) + size_t(x)];
            uint32_t& pixel = dest[size_t(y) * size_t(width) + size_t(x)];
            pixel = ScalePixelExact(pixel, sum, divisor);
        }
    }
}
