// A device context for decoder tests (the screen on Windows, none natively) and the
// colours a device bitmap holds.
#pragma once

#include "screensaver/decoder/DeviceBitmap.h"
#include "tests/common/BmpWriter.h"

HDC AcquireTestDevice();
void ReleaseTestDevice(HDC dc);
// The bitmap's pixels as 0xRRGGBB, top row first.
Picture ReadBackBitmap(HDC dc, HBITMAP bitmap, int width, int height);
// The same at the bitmap's own size.
Picture ReadBackBitmap(HDC dc, HBITMAP bitmap);
