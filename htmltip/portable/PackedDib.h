#pragma once
// CPackedDib: a device-independent bitmap packed in one buffer, as Windows lays it out: a
// 40-byte header, the palette (blue, green, red, 0 per entry), then the pixel rows, bottom row
// first, each padded to 4 bytes. Portable: CCeXDib (htmltip/CeXDib.h) adds drawing on Windows.
//
// The sides come from markup and the balloon's size, so sizes are computed in 64 bits and a
// bitmap whose sides are not positive, or that would pass DIB_MAX_SIDE or DIB_MAX_BYTES, is
// refused (Create returns null and the bitmap stays empty).
// Every operation on an empty bitmap, and palette operations without a palette, do nothing.
// Not copyable. One thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>

// The layout of BITMAPINFOHEADER.
struct SDibHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression; // 0: BI_RGB
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};
static_assert(sizeof(SDibHeader) == 40, "a DIB header is 40 bytes");

// A side of more than this many pixels is refused (the screen is far smaller).
constexpr int DIB_MAX_SIDE = 16384;
// Pixel rows of more than this many bytes in all are refused.
constexpr uint64_t DIB_MAX_BYTES = 64u << 20;

// Bytes per padded row of `width` pixels at `bitsPerPixel`, and the rows' total for `height`,
// in 64 bits. False (nothing written) when the sides are not positive, a side or the total
// passes the limits above, or the depth is not 1, 4, 8, 16, 24 or 32.
bool DibRowBytes(int width, int height, int bitsPerPixel, uint32_t* lineWidth, uint32_t* imageSize);

class CPackedDib {
public:
    CPackedDib() = default;
    virtual ~CPackedDib() = default;
    CPackedDib(const CPackedDib&) = delete;
    CPackedDib& operator=(const CPackedDib&) = delete;

    // Frees the old content and makes a zeroed bitmap; palette entries: 2 for 1 bit, 16 for 4,
    // 256 for 8, none otherwise. The buffer's start, or null when refused or out of memory (the
    // bitmap is then empty).
    uint8_t* Create(int width, int height, int bitsPerPixel);
    // Frees the content.
    void Free();

    bool IsEmpty() const { return !m_buffer; }
    // Header, palette and pixels: the whole buffer (0 when empty).
    size_t GetDibSize() const;
    // The buffer's start (header, then palette): what CreateDIBSection takes as BITMAPINFO.
    const uint8_t* GetBuffer() const { return m_buffer.get(); }
    uint8_t* GetBits();
    const uint8_t* GetBits() const;
    int GetLineWidth() const { return m_lineWidth; }
    int GetNumColors() const { return m_colors; }
    int GetWidth() const { return m_header.width; }
    int GetHeight() const { return m_header.height; }
    const SDibHeader& GetHeader() const { return m_header; }

    // Entry `index & 0xFF`, when below the number of entries.
    void SetPaletteIndex(int index, uint8_t red, uint8_t green, uint8_t blue);
    // Every entry moves `percent` (capped to 0..100) of the way to `colour` (0x00BBGGRR).
    void BlendPalette(uint32_t colour, int percent);
    // Every pixel byte set to `value`.
    void Clear(uint8_t value);
    // Palette bitmaps only: pixel (x, y), y counted from the top, becomes palette entry `index`
    // (its byte at 8 bits; its bits at 1 and 4).
    void SetPixelIndex(int x, int y, uint8_t index);

private:
    std::unique_ptr<uint8_t[]> m_buffer; // header, palette, pixels
    SDibHeader m_header = {};
    int m_lineWidth = 0;
    int m_colors = 0;
};
