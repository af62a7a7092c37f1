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
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) {
        return false;
    }
    uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    uint64_t total = IsUncompressed(header.biCompression)
                         ? RowStride(static_cast<uint32_t>(header.biWidth), header.biBitCount) * rows
                         : header.biSizeImage;
    if (total > kMaxPixelBytes) {
        return false;
    }
    *bytes = static_cast<uint32_t>(total);
    return true;
}
