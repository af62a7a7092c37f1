#include "TestDevice.h"

#include <windows.h>

HDC AcquireTestDevice()
{
    return GetDC(nullptr);
}

void ReleaseTestDevice(HDC dc)
{
    ReleaseDC(nullptr, dc);
}

Picture ReadBackBitmap(HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    Picture picture{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    if (GetDIBits(dc, bitmap, 0, height, picture.pixels.data(), &info, DIB_RGB_COLORS) != height) {
        picture.pixels.clear();
    }
    for (uint32_t& pixel : picture.pixels) {
        pixel &= 0xFFFFFF;
    }
    return picture;
}

Picture ReadBackBitmap(HDC dc, HBITMAP bitmap)
{
    BITMAP size = {};
    GetObject(bitmap, sizeof size, &size);
    return ReadBackBitmap(dc, bitmap, size.bmWidth, size.bmHeight);
}
