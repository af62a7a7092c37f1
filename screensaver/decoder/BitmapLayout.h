// Device-independent bitmap layout and the size policy for decoded pixels.
#pragma once

#include <cstdint>

struct BmpInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BmpInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");

struct RgbQuad {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t reserved;
};

enum BmpCompression : uint32_t {
    BMP_RGB = 0,
    BMP_RLE8 = 1,
    BMP_RLE4 = 2,
    BMP_BITFIELDS = 3,
    BMP_ALPHABITFIELDS = 6,
};

// The most pixel bytes one picture may ask for; larger headers are refused.
const uint64_t kMaxPixelBytes = 256u * 1024u * 1024u;
// Bytes a bitmap description may hold after its header: colour masks and 256 colours.
const uint32_t kMaxColourTableBytes = 16 + 256 * sizeof(RgbQuad);

// Bytes of one row padded to whole 32-bit words.
uint64_t RowStride(uint32_t width, uint32_t bitsPerPixel);

// Bytes of a top-down pixel buffer, stride x rows; false for an empty picture or one
// above the cap, so the caller refuses it before allocating anything.
bool PixelBufferBytes(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint64_t* bytes);

// Pixel bytes GDI reads for the header: stride x rows when uncompressed, biSizeImage
// otherwise. False when the dimensions are unusable or the result exceeds the cap.
bool DescribedPixelBytes(const BmpInfoHeader& header, uint32_t* bytes);
