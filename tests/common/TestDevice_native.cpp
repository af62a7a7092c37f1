#include "TestDevice.h"

#include "screensaver/decoder/BitmapLayout.h"

#include <cstring>
#include <stdexcept>

HDC AcquireTestDevice()
{
    return nullptr;
}

void ReleaseTestDevice(HDC)
{
}

static uint32_t PixelAt(const NativeBitmap& bitmap, const BmpInfoHeader& header, const uint8_t* row, int x)
{
    if (header.biBitCount == 8) {
        RgbQuad entry;
        memcpy(&entry, &bitmap.info[header.biSize + row[x] * sizeof entry], sizeof entry);
        return entry.red << 16 | entry.green << 8 | entry.blue;
    }
    if (header.biBitCount == 24) {
        const uint8_t* pixel = row + 3 * x;
        return pixel[2] << 16 | pixel[1] << 8 | pixel[0];
    }
    throw std::invalid_argument("read-back of this bit count is not supported");
}

// Understands the uncompressed 8- and 24-bit bitmaps the GIF and JPEG paths hand over.
Picture ReadBackBitmap(HDC, HBITMAP handle, int width, int height)
{
    const NativeBitmap& bitmap = *AsNativeBitmap(handle);
    BmpInfoHeader header;
    memcpy(&header, bitmap.info.data(), sizeof header);
    if (header.biWidth != width || (header.biHeight != height && header.biHeight != -height)) {
        throw std::invalid_argument("bitmap of another size");
    }
    size_t stride = static_cast<size_t>(RowStride(width, header.biBitCount));
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        int stored = header.biHeight < 0 ? y : height - 1 - y;
        const uint8_t* row = &bitmap.bits[stride * stored];
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(PixelAt(bitmap, header, row, x));
        }
    }
    return picture;
}

Picture ReadBackBitmap(HDC dc, HBITMAP handle)
{
    BmpInfoHeader header;
    memcpy(&header, AsNativeBitmap(handle)->info.data(), sizeof header);
    return ReadBackBitmap(dc, handle, header.biWidth, header.biHeight < 0 ? -header.biHeight : header.biHeight);
}
