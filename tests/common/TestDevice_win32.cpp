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
