// The configuration dialog (template 2003) and the About box (template 103).
#pragma once

#include <windows.h>

// Dialog procedure of the configuration dialog, exported for the desktop.
extern "C" __declspec(dllexport) INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message,
                                                                             WPARAM wParam, LPARAM lParam);
// Called before the configuration dialog opens; nonzero lets it open. Needs no preparation: 1.
int ScreenSaverPrepareDialogs(HINSTANCE instance);
// Dialog procedure of the About box; only OK closes it.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
