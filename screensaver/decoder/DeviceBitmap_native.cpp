#include "DeviceBitmap.h"

#include "BitmapLayout.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NATIVE_BITMAP_ASAN 1
#include <sanitizer/asan_interface.h>
#endif
#endif

// Stops the process where a caller hands over fewer bytes than GDI would read.
static void Require(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "CreateDeviceBitmap: %s\n", what);
        abort();
    }
}

static uint64_t ColourBytesRead(const BmpInfoHeader& header)
{
    uint64_t bytes = 0;
    if (header.biSize == 40 && header.biCompression == BMP_BITFIELDS) {
        bytes += 12;
    } else if (header.biSize == 40 && header.biCompression == BMP_ALPHABITFIELDS) {
        bytes += 16;
    }
    uint64_t colours = header.biClrUsed;
    if (header.biBitCount <= 8 && (colours == 0 || colours > (1u << header.biBitCount))) {
        colours = 1u << header.biBitCount;
    }
    if (colours > 256) {
        colours = 256;
    }
    return bytes + colours * sizeof(RgbQuad);
}

static uint64_t PixelBytesRead(const BmpInfoHeader& header)
{
    uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    switch (header.biCompression) {
    case BMP_RGB:
    case BMP_BITFIELDS:
    case BMP_ALPHABITFIELDS:
        return RowStride(static_cast<uint32_t>(header.biWidth), header.biBitCount) * rows;
    default:
        return header.biSizeImage;
    }
}

HBITMAP CreateDeviceBitmap(HDC, const void* info, size_t infoBytes, const void* bits, size_t bitsBytes)
{
    Require(infoBytes >= sizeof(BmpInfoHeader), "description shorter than a header");
    BmpInfoHeader header;
    memcpy(&header, info, sizeof header);
    Require(header.biSize >= sizeof(BmpInfoHeader) && header.biWidth > 0, "header a device bitmap refuses");
    Require(header.biSize + ColourBytesRead(header) <= infoBytes, "description shorter than its header says");
    Require(PixelBytesRead(header) <= bitsBytes, "pixels shorter than the header says");

    const uint8_t* infoStart = static_cast<const uint8_t*>(info);
    const uint8_t* bitsStart = static_cast<const uint8_t*>(bits);
    NativeBitmap* bitmap = new NativeBitmap{{infoStart, infoStart + infoBytes}, {}};
    if (bitsBytes <= kNativeKeptBytes) {
        bitmap->bits.assign(bitsStart, bitsStart + bitsBytes);
    } else {
#ifdef NATIVE_BITMAP_ASAN
        Require(__asan_region_is_poisoned(const_cast<uint8_t*>(bitsStart), bitsBytes) == nullptr,
                "pixels not all addressable");
#else
        volatile uint8_t last = bitsStart[bitsBytes - 1];
        (void)last;
#endif
    }
    return reinterpret_cast<HBITMAP>(bitmap);
}

void DeleteDeviceBitmap(HBITMAP bitmap)
{
    delete reinterpret_cast<NativeBitmap*>(bitmap);
}

const NativeBitmap* AsNativeBitmap(HBITMAP bitmap)
{
    return reinterpret_cast<const NativeBitmap*>(bitmap);
}

HBITMAP ShrinkDeviceBitmap(HDC, HBITMAP, uint32_t, uint32_t)
{
    return nullptr;
}

HBITMAP EnlargeDeviceBitmap(HDC, HBITMAP, uint32_t, uint32_t, const PixelRect&)
{
    return nullptr;
}
