// What the decoder's files share: the bitmap description and its bitmap, the checked zeroed
// allocation, the file's length and small byte readers. Not for the decoder's users; no
// format file calls back into the façade.
#pragma once

#include "BitmapLayout.h"
#include "DeviceBitmap.h"
#include "PictureView.h"
#include "cImageDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The description of every bitmap the GIF, JPEG and PNG paths and the reductions build.
// Process-wide: palette entries a picture does not set keep what an earlier one left.
struct SharedBitmapInfo {
    BmpInfoHeader header;
    RgbQuad palette[256];
};
extern SharedBitmapInfo sharedBitmapInfo;

// A checked allocation of `size` bytes that read as zero, released by FreeZeroed. Blocks of
// a megabyte or more are the system's own zero pages (mmap, VirtualAlloc) with a guard page
// behind them: nothing is written for the bytes a decoding never comes to, and a pixel buffer
// costs only the pages it touches.
void* AllocateZeroed(size_t size);
// Releases a block from AllocateZeroed; null is allowed.
void FreeZeroed(void* block);

// Reads count bytes; zero-fills whatever the file could not supply. False after a short read.
bool ReadFully(FILE* file, void* buffer, size_t count);
// The file's length in bytes, its position kept.
int64_t FileLength(FILE* file);

inline uint16_t LittleEndian16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}
inline uint32_t LittleEndian32(const uint8_t* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// A device bitmap of width x rows top-down pixels, 4-byte aligned rows, described by
// sharedBitmapInfo with that bit count (8: its palette, 24: blue, green, red).
HBITMAP MakeSharedInfoBitmap(HDC dc, uint32_t width, uint32_t rows, int bitCount, const uint8_t* pixels,
                             size_t pixelBytes);
// Turns top-down rows of premultiplied blue, green, red, alpha (`stride` bytes apart) into
// 24-bit rows aligned to 4 bytes, in place: the colours as composed over black.
void PremultipliedToBgr(uint8_t* pixels, uint32_t width, uint32_t rows, size_t stride);
// Fills the shared palette with a grey ramp, for 8-bit grey pixels.
void SetGreyPalette();

// A view bitmap of a bitmap that holds the drawn picture from (left, top) on: its
// visible part is shown.
ViewBitmap ShowingPart(HBITMAP bitmap, const PixelRect& visible, int32_t left, int32_t top);

// Whether the view draws the picture at a smaller size than columns x rows (not larger in
// either direction, not the same).
bool DrawnSmaller(const PictureView& view, uint32_t columns, uint32_t rows);
