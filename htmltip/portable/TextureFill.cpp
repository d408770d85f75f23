#include "htmltip/portable/TextureFill.h"

#include <algorithm>
#include <cstring>

#include "htmltip/portable/GradientFill.h"

namespace {

uint8_t Channel(uint32_t colour, int shift)
{
    return uint8_t((colour >> shift) & 0xFF);
}

// Integer division rounding towards zero, as C's, with a zero divisor giving 0.
int64_t Divide(int64_t a, int64_t b)
{
    return b == 0 ? 0 : a / b;
}

// What the textures' formulas share.
struct STexture {
    CPackedDib& canvas;
    uint8_t* bits;
    int width;
    int height;
    int g;
    int t;
    int u;
    CTextureRandom& random;

    // About -g..+g.
    int Noise() { return int(Divide(random.Next(), Divide(TEXTURE_RANDOM_MAX, std::max(2 * g, 1)))) - g; }
    // y from the top.
    uint8_t* Row(int y) { return bits + size_t(height - 1 - y) * size_t(canvas.GetLineWidth()); }
    void Set(int x, int y, int64_t value) { Row(y)[x] = uint8_t(value & 0xFF); }
    int Get(int x, int y) { return Row(y)[x]; }
};

// 128 + ((128 - g) x d^3 / 16384) / 128, d = a x 255 / b - 127.
int64_t Bump(int64_t a, int64_t b, int g)
{
    const int64_t d = Divide(a * 255, b) - 127;
    return 128 + Divide(Divide((128 - g) * d * d * d, 16384), 128);
}

void Metal(STexture& tx)
{
    const int W = tx.width;
    const int H = tx.height;
    tx.canvas.Clear(0);
    const int halfSide = std::min(W, H) / 2;
    for (int streak = 0; streak < 200; ++streak) {
        const int x = tx.random.Next() % W;
        const int y = tx.random.Next() % H;
        const int length = halfSide > 0 ? tx.random.Next() % halfSide : 0;
        const uint8_t value = uint8_t(tx.random.Next() & 0xFF);
        for (int j = 0; j <= length; ++j) {
            if (x - j >= 0 && y + j < H)
                tx.Set(x - j, y + j, value);
            if (x + j < W && y - j >= 0)
                tx.Set(x + j, y - j, value);
        }
    }
    const int64_t slope = (tx.t - 40) / 2;
    const int64_t noiseDivisor = Divide(TEXTURE_RANDOM_MAX, std::max(2 * tx.g, 1));
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x)
            tx.Set(x, y,
                   tx.Get(x, y) + Divide(slope * y, H) + Divide(slope * (W - x), W) +
                       Divide(tx.random.Next(), noiseDivisor));
    }
}

void HardBump(STexture& tx)
{
    const int W = tx.width;
    const int H = tx.height;
    const int g = tx.g;
    for (int y = 0; y < H; ++y) {
        const int64_t v = Divide(int64_t(y) * 255, H) - 127;
        for (int x = 0; x < W; ++x)
            tx.Set(x, y, 128 + Divide((128 - 2 * g) * Divide(v * v * v, 16384), 128) + tx.Noise());
    }
    // The rounded ends: none on canvases too narrow or too low for them.
    const int64_t k = std::min(W / 6, 16);
    const int64_t quarterSquare = int64_t(H) * H / 4;
    if (k == 0 || quarterSquare == 0)
        return;
    for (int y = 0; y < H; ++y) {
        const int64_t dy = y - H / 2;
        const int64_t w = W / 2 + Divide(dy * dy * k, quarterSquare) - k;
        for (int x = 0; x < W; ++x) {
            if (x - W / 2 > w)
                tx.Set(x, y, g + Divide(int64_t(W - x) * 128, k) + tx.Noise());
            else if (x + w - W / 2 < 0)
                tx.Set(x, y, int64_t(~g) - Divide(int64_t(x) * 128, k) + tx.Noise());
        }
    }
}

int64_t PixelValue(STexture& tx, int effect, int x, int y)
{
    const int64_t W = tx.width;
    const int64_t H = tx.height;
    const int g = tx.g;
    switch (effect) {
    case FILL_EFFECT_NOISE:
        return 128;
    case FILL_EFFECT_DIAGSHADE:
        return g + Divide(tx.u * y, H) + Divide(tx.u * (W - x), W);
    case FILL_EFFECT_HSHADE:
        return g + Divide(tx.t * y, H);
    case FILL_EFFECT_VSHADE:
        return g + Divide((W - x) * tx.t, W);
    case FILL_EFFECT_HBUMP:
        return Bump(y, H, g);
    case FILL_EFFECT_VBUMP:
        return Bump(W - x, W, g);
    case FILL_EFFECT_SOFTBUMP: {
        const int64_t v = Divide(y * 255, H) - 127;
        const int64_t w = Divide((W - x) * 255, W) - 127;
        int64_t s = 128 + Divide((128 - g) * (Divide(v * v * v, 16384) + Divide(w * w * w, 16384)), 128);
        s = std::max<int64_t>(s, g);
        if (s > 255 - g)
            s = ~g;
        return s;
    }
    default:
        return 0;
    }
}

} // namespace

void SetTexturePalette(CPackedDib& canvas, uint32_t begin, uint32_t middle, uint32_t end, int blendPercent)
{
    if (canvas.GetNumColors() != 256)
        return;
    auto between = [](uint32_t a, uint32_t b, int i, int shift) {
        return uint8_t(((128 - i) * Channel(a, shift) + i * Channel(b, shift)) / 128);
    };
    for (int i = 0; i <= 128; ++i)
        canvas.SetPaletteIndex(i, between(end, middle, i, 0), between(end, middle, i, 8), between(end, middle, i, 16));
    for (int i = 1; i <= 128; ++i)
        canvas.SetPaletteIndex(127 + i, between(middle, begin, i, 0), between(middle, begin, i, 8),
                               between(middle, begin, i, 16));
    canvas.BlendPalette(begin, blendPercent);
}

void GenerateTexture(CPackedDib& canvas, int effect, uint8_t granularity, CTextureRandom& random)
{
    if (!IsTextureEffect(effect) || canvas.IsEmpty() || canvas.GetHeader().bitCount != 8)
        return;
    const int g = granularity;
    const int t = 255 - 2 * g;
    STexture tx{canvas, canvas.GetBits(), canvas.GetWidth(), canvas.GetHeight(), g, t, t / 2, random};
    if (effect == FILL_EFFECT_METAL) {
        Metal(tx);
        return;
    }
    if (effect == FILL_EFFECT_HARDBUMP) {
        HardBump(tx);
        return;
    }
    for (int y = 0; y < tx.height; ++y) {
        for (int x = 0; x < tx.width; ++x)
            tx.Set(x, y, PixelValue(tx, effect, x, y) + tx.Noise());
    }
}
