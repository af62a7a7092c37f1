#include "ConfigureDialog.h"

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

int ScreenSaverPrepareDialogs(HINSTANCE)
{
    return 1;
}
