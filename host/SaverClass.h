// The saver window class and the saver window in the shape of its mode: one registration
// for the start-up, the tools and the tests.
#pragma once

#include <windows.h>

// The class's styles. Other threads may read a window only of a class without CS_OWNDC.
const UINT kSaverClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;

// The saver window's place on the screen, its styles and title: for a full-screen saver
// (parent null) the whole virtual screen, for a preview its parent's client area.
struct SaverWindowShape {
    RECT rect;
    DWORD style;
    DWORD extendedStyle;
    const char* title;
};
SaverWindowShape SaverWindowShapeFor(HWND parent);

// Registers "WindowsScreenSaverClass" for `instance` with SaverClassProc, the program's
// icon (none when the module has no icon resource) and a black background.
bool RegisterSaverClass(HINSTANCE instance, UINT style = kSaverClassStyle);
// The saver window of the registered class, in the shape for `parent`; null when it
// cannot be created.
HWND CreateSaverWindow(HINSTANCE instance, HWND parent);
// A full-screen saver window already running, of this or another process; null when none.
HWND FindFullScreenSaver();
