#include "SaverProcess.h"

#include "RegistryFixture.h"
#include "tests/common/TestDevice.h"


std::string SaverProgramPath()
{
    return VELMARIN_SCR_PATH;
}

Picture CaptureScreen()
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    Picture picture = ReadBackBitmap(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

void WriteSaverSettings(DWORD flags, const char* updateTime, const std::vector<std::string>& paths)
{
    DeleteSettingsKeys();
    StoreDword("Flags", flags);
    StoreText("UpdateTime", updateTime);
    StoreImageList(paths);
}
