#include "DecoderShared.h"

#include "../../shared/cgen.h"

#include <cstdlib>
#include <cstring>
#ifndef _WIN32
#include <sys/types.h>
#endif

static const char* const kSourceName = "DecoderShared";

SharedBitmapInfo sharedBitmapInfo;
static bool sharedBitmapInfoReady = false;

void* AllocateZeroed(size_t size)
{
    // calloc hands out large blocks as fresh pages from the system, which it need not clear.
    void* block = calloc(size != 0 ? size : 1, 1);
    if (block == nullptr) {
        block = RMalloc(kSourceName, __LINE__, size); // ends the process when memory is out
        memset(block, 0, size);
    }
    return block;
}

bool ReadFully(FILE* file, void* buffer, size_t count)
{
    size_t got = fread(buffer, 1, count, file);
    if (got < count) {
        memset(static_cast<uint8_t*>(buffer) + got, 0, count - got);
        return false;
    }
    return true;
}

int64_t FileLength(FILE* file)
{
#ifdef _WIN32
    int64_t here = _ftelli64(file);
    _fseeki64(file, 0, SEEK_END);
    int64_t length = _ftelli64(file);
    _fseeki64(file, here, SEEK_SET);
#else
    off_t here = ftello(file);
    fseeko(file, 0, SEEK_END);
    int64_t length = ftello(file);
    fseeko(file, here, SEEK_SET);
#endif
    return length;
}

static void PrepareSharedBitmapInfo()
{
    if (sharedBitmapInfoReady) {
        return;
    }
    sharedBitmapInfo.header.biSize = sizeof(BmpInfoHeader);
    sharedBitmapInfo.header.biPlanes = 1;
    sharedBitmapInfo.header.biCompression = BMP_RGB;
    sharedBitmapInfo.header.biSizeImage = 0;
    sharedBitmapInfo.header.biXPelsPerMeter = 0;
    sharedBitmapInfo.header.biYPelsPerMeter = 0;
    sharedBitmapInfo.header.biClrUsed = 0;
    sharedBitmapInfo.header.biClrImportant = 0;
    sharedBitmapInfoReady = true;
}

HBITMAP MakeSharedInfoBitmap(HDC dc, uint32_t bitmapWidth, uint32_t rows, int bitCount, const uint8_t* pixels,
                             size_t pixelBytes)
{
    PrepareSharedBitmapInfo();
    sharedBitmapInfo.header.biWidth = static_cast<int32_t>(bitmapWidth);
    sharedBitmapInfo.header.biHeight = -static_cast<int32_t>(rows);
    sharedBitmapInfo.header.biBitCount = static_cast<uint16_t>(bitCount);
    return CreateDeviceBitmap(dc, &sharedBitmapInfo, sizeof sharedBitmapInfo, pixels, pixelBytes);
}

void SetGreyPalette()
{
    for (int i = 0; i < 256; ++i) {
        RgbQuad& entry = sharedBitmapInfo.palette[i];
        entry.blue = entry.green = entry.red = static_cast<uint8_t>(i);
    }
}

ViewBitmap ShowingPart(HBITMAP bitmap, const PixelRect& visible, int32_t left, int32_t top)
{
    PixelRect source = {visible.left - left, visible.top - top, visible.right - left, visible.bottom - top};
    return {bitmap, source, visible};
}

bool DrawnSmaller(const PictureView& view, uint32_t columns, uint32_t rows)
{
    uint32_t width = static_cast<uint32_t>(view.width), height = static_cast<uint32_t>(view.height);
    return width <= columns && height <= rows && (width != columns || height != rows);
}
