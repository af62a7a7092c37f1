// The device-bitmap step of the benchmark: the hand-over is checked for size and its last
// pixel byte is touched, but not copied, since that copy is GDI's work on Windows.
#include "screensaver/decoder/BitmapLayout.h"
#include "screensaver/decoder/DeviceBitmap.h"

#include <cstdint>

static volatile uint8_t lastByteSeen;
static NativeBitmap handedOver;

HBITMAP CreateDeviceBitmap(HDC, const void*, size_t infoBytes, const void* bits, size_t bitsBytes)
{
    if (infoBytes < sizeof(BmpInfoHeader) || bitsBytes == 0) {
        return nullptr;
    }
    lastByteSeen = static_cast<const uint8_t*>(bits)[bitsBytes - 1];
    return reinterpret_cast<HBITMAP>(&handedOver);
}

void DeleteDeviceBitmap(HBITMAP)
{
}

HBITMAP ShrinkDeviceBitmap(HDC, HBITMAP, uint32_t, uint32_t)
{
    return nullptr;
}

HBITMAP EnlargeDeviceBitmap(HDC, HBITMAP, uint32_t, uint32_t, const PixelRect&)
{
    return nullptr;
}
