// What the decoder's files share; not for the decoder's users.
#pragma once

#include "BitmapLayout.h"
#include "cImageDecoder.h"
#include "DeviceBitmap.h"
#include "PictureView.h"

#include <cstddef>
#include <cstdint>

// The description of every bitmap the GIF and JPEG paths and the reductions build.
// Process-wide: palette entries a picture does not set keep what an earlier one left.
struct SharedBitmapInfo {
    BmpInfoHeader header;
    RgbQuad palette[256];
};
extern SharedBitmapInfo sharedBitmapInfo;

// A checked allocation of `size` zero bytes.
void* AllocateZeroed(size_t size);

// A device bitmap of width x rows top-down pixels, 4-byte aligned rows, described by
// sharedBitmapInfo with that bit count.
HBITMAP MakeSharedInfoBitmap(HDC dc, uint32_t width, uint32_t rows, int bitCount, const uint8_t* pixels,
                             size_t pixelBytes);

// A view bitmap of a bitmap that holds the drawn picture from (left, top) on: its
// visible part is shown.
ViewBitmap ShowingPart(HBITMAP bitmap, const PixelRect& visible, int32_t left, int32_t top);

// The per-format state behind formatState, each released by its own function.
struct BmpState;
struct GifState;
struct JpegState;
void FreeBmpState(BmpState* bmp);
void FreeGifState(GifState* gif);
void FreeJpegState(JpegState* jpeg);
