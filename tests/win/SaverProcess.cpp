#include "SaverProcess.h"

#include "RegistryFixture.h"
#include "screensaver/SSaver.h"
#include "tests/common/TestDevice.h"


std::string SaverProgramPath()
{
    return VELMARIN_SCR_PATH;
}

RECT PrimaryArea()
{
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Picture CaptureScreen(const RECT& area)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
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

LRESULT PicturesWaiting(HWND window, DWORD milliseconds)
{
    DWORD_PTR waiting = 0;
    return SendMessageTimeoutA(window, SHOW_PICTURES_WAITING, 0, 0, SMTO_NORMAL, milliseconds, &waiting) ? waiting : -1;
}

bool WaitForPictures(HWND window)
{
    return WaitUntil([window] { return PicturesWaiting(window) == 0; });
}

void PressKey(WORD key)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void MoveCursor(HWND window, int x, int y)
{
    SetCursorPos(x, y);
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}
