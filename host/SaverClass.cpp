#include "SaverClass.h"

#include "SaverWindow.h"
#include "resources/resource.h"

static const char* const kClassName = "WindowsScreenSaverClass";
static const char* const kFullScreenTitle = "Screen Saver";
static const char* const kPreviewTitle = "Preview";
static const DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
static const DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;

SaverWindowShape SaverWindowShapeFor(HWND parent)
{
    if (parent != nullptr) {
        RECT client = {}; // empty when the parent went away
        GetClientRect(parent, &client);
        return {{0, 0, client.right, client.bottom}, kPreviewStyle, 0, kPreviewTitle};
    }
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    RECT virtualScreen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return {virtualScreen, kFullScreenStyle, WS_EX_TOPMOST, kFullScreenTitle};
}

bool RegisterSaverClass(HINSTANCE instance, UINT style)
{
    WNDCLASSA saverClass = {};
    saverClass.style = style;
    saverClass.lpfnWndProc = SaverClassProc;
    saverClass.hInstance = instance;
    saverClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ICON_SAVER));
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = kClassName;
    return RegisterClassA(&saverClass) != 0;
}

HWND CreateSaverWindow(HINSTANCE instance, HWND parent)
{
    SaverWindowShape shape = SaverWindowShapeFor(parent);
    const RECT& r = shape.rect;
    return CreateWindowExA(shape.extendedStyle, kClassName, shape.title, shape.style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, nullptr, instance, nullptr);
}

HWND FindFullScreenSaver()
{
    HWND other = FindWindowA(kClassName, kFullScreenTitle);
    return other != nullptr && IsWindow(other) ? other : nullptr;
}
