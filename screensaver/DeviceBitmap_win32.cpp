#include "DeviceBitmap.h"

#include <windows.h>

HBITMAP CreateDeviceBitmap(HDC dc, const void* info, size_t, const void* bits, size_t)
{
    const BITMAPINFO* description = static_cast<const BITMAPINFO*>(info);
    return CreateDIBitmap(dc, &description->bmiHeader, CBM_INIT, bits, description, DIB_RGB_COLORS);
}

void DeleteDeviceBitmap(HBITMAP bitmap)
{
    DeleteObject(bitmap);
}
