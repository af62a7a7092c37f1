// The one step from decoded pixels to a device bitmap: GDI on Windows, an owned
// memory bitmap in the native build.
#pragma once

#include <cstddef>

// The platform's handle types (identical to the strict Windows declarations).
typedef struct HDC__* HDC;
typedef struct HBITMAP__* HBITMAP;

// info: a bitmap description (header as announced by its biSize, then masks and colours);
// bits: the pixel data it describes. Returns null where the platform refuses.
HBITMAP CreateDeviceBitmap(HDC dc, const void* info, size_t infoBytes, const void* bits, size_t bitsBytes);
void DeleteDeviceBitmap(HBITMAP bitmap);

#ifndef _WIN32
#include <cstdint>
#include <vector>

// What the native stand-in keeps: copies of the description and the pixels.
struct NativeBitmap {
    std::vector<uint8_t> info;
    std::vector<uint8_t> bits;
};
const NativeBitmap* AsNativeBitmap(HBITMAP bitmap);
#endif
