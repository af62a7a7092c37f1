#include "TestDevice.h"

HDC AcquireTestDevice()
{
    return nullptr;
}

void ReleaseTestDevice(HDC)
{
}
