// Device bitmaps shrunk by area averaging, from their pixels as GDI reads them back: this
// covers every kind of bitmap GDI can make.
#pragma once

#include <windows.h>

#include <cstdint>

// A new bitmap of the whole of `bitmap` reduced to width x height, owned by the caller;
// null where the reduction cannot be made (see CanReduce) or GDI refuses.
HBITMAP ShrunkCopy(HDC dc, HBITMAP bitmap, uint32_t width, uint32_t height);
