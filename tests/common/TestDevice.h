// A device context for decoder tests: the screen on Windows, none natively.
#pragma once

#include "screensaver/DeviceBitmap.h"

HDC AcquireTestDevice();
void ReleaseTestDevice(HDC dc);
