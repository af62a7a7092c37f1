// The configuration dialog (template 2003).
#pragma once

#include <windows.h>

extern "C" __declspec(dllexport) INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message,
                                                                             WPARAM wParam, LPARAM lParam);
// Called before the configuration dialog opens; nonzero lets it open.
int ScreenSaverPrepareDialogs(HINSTANCE instance);
