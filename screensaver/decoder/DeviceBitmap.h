// The one step from decoded pixels to a device bitmap: GDI on Windows, an owned
// memory bitmap in the native build.
#pragma once

#include "PictureView.h"

#include <cstddef>
#include <cstdint>

// The platform's handle types (identical to the strict Windows declarations).
typedef struct HDC__* HDC;
typedef struct HBITMAP__* HBITMAP;

// info: a bitmap description (header as announced by its biSize, then masks and colours);
// bits: the pixel data it describes. Returns null where the platform refuses.
HBITMAP CreateDeviceBitmap(HDC dc, const void* info, size_t infoBytes, const void* bits, size_t bitsBytes);
void DeleteDeviceBitmap(HBITMAP bitmap);
// A new bitmap of the whole of `bitmap` drawn at width x height, smaller than it, owned by
// the caller: on Windows reduced by area averaging from the pixels GDI reads back (every
// kind of bitmap GDI makes), or where that cannot be made, stretched by GDI's halftone
// mode; null where neither is made, and always in the native build.
HBITMAP ShrinkDeviceBitmap(HDC dc, HBITMAP bitmap, uint32_t width, uint32_t height);
// A new bitmap of the `visible` part of `bitmap` drawn at drawnWidth x drawnHeight, larger
// than it, owned by the caller: on Windows enlarged with a linear filter from the pixels GDI
// reads back; null where that cannot be made, and always in the native build.
HBITMAP EnlargeDeviceBitmap(HDC dc, HBITMAP bitmap, uint32_t drawnWidth, uint32_t drawnHeight, const PixelRect& visible);

#ifndef _WIN32
#include <cstdint>
#include <vector>

// What the native stand-in keeps: copies of the description and the pixels. Pixels above
// kNativeKeptBytes are checked (every byte must be addressable) but not kept: `bits` stays
// empty, which nothing reads back.
const size_t kNativeKeptBytes = 4u << 20;
struct NativeBitmap {
    std::vector<uint8_t> info;
    std::vector<uint8_t> bits;
};
const NativeBitmap* AsNativeBitmap(HBITMAP bitmap);
#endif
