// The slide show: the saver window's content procedure.
#pragma once

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                                                LPARAM lParam);
