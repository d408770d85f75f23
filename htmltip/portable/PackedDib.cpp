#include "htmltip/portable/PackedDib.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr size_t PALETTE_ENTRY_BYTES = 4;

int PaletteEntries(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

uint8_t* PaletteOf(uint8_t* buffer)
{
    return buffer + sizeof(SDibHeader);
}
} // namespace

bool DibRowBytes(int width, int height, int bitsPerPixel, uint32_t* lineWidth, uint32_t* imageSize)
{
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    if (width <= 0 || height <= 0 || width > DIB_MAX_SIDE || height > DIB_MAX_SIDE)
        return false;
    const uint64_t line = ((uint64_t(width) * uint64_t(bitsPerPixel) + 31) >> 5) << 2;
    const uint64_t image = line * uint64_t(height);
    if (image > DIB_MAX_BYTES)
        return false;
    *lineWidth = uint32_t(line);
    *imageSize = uint32_t(image);
    return true;
}

uint8_t* CPackedDib::Create(int width, int height, int bitsPerPixel)
{
    Free();
    uint32_t lineWidth = 0;
    uint32_t imageSize = 0;
    if (!DibRowBytes(width, height, bitsPerPixel, &lineWidth, &imageSize))
        return nullptr;
    const int colors = PaletteEntries(bitsPerPixel);
    const size_t total = sizeof(SDibHeader) + size_t(colors) * PALETTE_ENTRY_BYTES + imageSize;
    m_buffer.reset(new (std::nothrow) uint8_t[total]());
    if (!m_buffer)
        return nullptr;
    m_header = SDibHeader{};
    m_header.size = sizeof(SDibHeader);
    m_header.width = width;
    m_header.height = height;
    m_header.planes = 1;
    m_header.bitCount = uint16_t(bitsPerPixel);
    m_header.sizeImage = imageSize;
    std::memcpy(m_buffer.get(), &m_header, sizeof m_header);
    m_lineWidth = int(lineWidth);
    m_colors = colors;
    return m_buffer.get();
}

void CPackedDib::Free()
{
    m_buffer.reset();
    m_header = SDibHeader{};
    m_lineWidth = 0;
    m_colors = 0;
}

size_t CPackedDib::GetDibSize() const
{
    if (!m_buffer)
        return 0;
    return sizeof(SDibHeader) + size_t(m_colors) * PALETTE_ENTRY_BYTES + m_header.sizeImage;
}

uint8_t* CPackedDib::GetBits()
{
    return m_buffer ? PaletteOf(m_buffer.get()) + size_t(m_colors) * PALETTE_ENTRY_BYTES : nullptr;
}

const uint8_t* CPackedDib::GetBits() const
{
    return const_cast<CPackedDib*>(this)->GetBits();
}

void CPackedDib::SetPaletteIndex(int index, uint8_t red, uint8_t green, uint8_t blue)
{
    const int entry = index & 0xFF;
    if (!m_buffer || entry >= m_colors)
        return;
    uint8_t* p = PaletteOf(m_buffer.get()) + size_t(entry) * PALETTE_ENTRY_BYTES;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
    p[3] = 0;
}

void CPackedDib::BlendPalette(uint32_t colour, int percent)
{
    if (!m_buffer || m_colors == 0)
        return;
    percent = std::clamp(percent, 0, 100);
    // COLORREF is red in the low byte; palette entries hold blue first.
    const int target[3] = {int((colour >> 16) & 0xFF), int((colour >> 8) & 0xFF), int(colour & 0xFF)};
    uint8_t* p = PaletteOf(m_buffer.get());
    for (int i = 0; i < m_colors; ++i, p += PALETTE_ENTRY_BYTES) {
        for (int c = 0; c < 3; ++c)
            p[c] = uint8_t((p[c] * (100 - percent) + target[c] * percent) / 100);
    }
}

void CPackedDib::Clear(uint8_t value)
{
    if (m_buffer)
        std::memset(GetBits(), value, m_header.sizeImage);
}

void CPackedDib::SetPixelIndex(int x, int y, uint8_t index)
{
    if (!m_buffer || m_colors == 0 || x < 0 || y < 0 || x >= m_header.width || y >= m_header.height)
        return;
    uint8_t* row = GetBits() + size_t(m_header.height - y - 1) * size_t(m_lineWidth);
    if (m_header.bitCount == 8) {
        row[x] = index;
        return;
    }
    // 1 and 4 bits: a byte at x would land in later rows, or past the buffer; the pixel's own
    // bits are set, leftmost pixel in the high bits.
    const int bits = m_header.bitCount;
    const int perByte = 8 / bits;
    const int shift = (perByte - 1 - x % perByte) * bits;
    const uint8_t mask = uint8_t(((1 << bits) - 1) << shift);
    uint8_t& byte = row[x / perByte];
    byte = uint8_t((byte & ~mask) | ((index << shift) & mask));
}
