#include "BitmapLayout.h"

uint64_t RowStride(uint32_t width, uint32_t bitsPerPixel)
{
    return (static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

bool PixelBufferBytes(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint64_t* bytes)
{
    if (width == 0 || height == 0) {
        return false;
    }
    uint64_t stride = RowStride(width, bitsPerPixel);
    // Both factors stay below 2^32 here, so the product cannot wrap.
    if (stride > kMaxPixelBytes || stride * height > kMaxPixelBytes) {
        return false;
    }
    *bytes = stride * height;
    return true;
}

static bool IsUncompressed(uint32_t compression)
{
    return compression == BMP_RGB || compression == BMP_BITFIELDS || compression == BMP_ALPHABITFIELDS;
}

bool DescribedPixelBytes(const BmpInfoHeader& header, uint32_t* bytes)
{
    if (header.biWidth <= 0 || header.biHeight == INT32_MIN) {
        return false;
    }
    uint32_t rows = static_cast<uint32_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    uint64_t total = header.biSizeImage;
    if (IsUncompressed(header.biCompression)) {
        if (!PixelBufferBytes(static_cast<uint32_t>(header.biWidth), rows, header.biBitCount, &total)) {
            return false;
        }
    } else if (rows == 0 || total > kMaxPixelBytes) {
        return false;
    }
    *bytes = static_cast<uint32_t>(total);
    return true;
}
