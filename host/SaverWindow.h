// The saver window's behaviour whatever is drawn in it: closing on input, the cursor,
// the input method, and the password check of the Windows 95 family.
//
// Every message of the saver window takes this road:
//   SaverClassProc    answers some messages itself, hands the rest on
//   ScreenSaverProc   the slide show; hands every message on after its own handling
//   SaverDefaultProc  closes on input, asks the password verifier
//   DefWindowProcA
#pragma once

#include <windows.h>

LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The host's mode flags, fixed at start-up before the window exists: nonzero for a preview
// inside another window, and on the Windows 95 family.
int PreviewMode();
int Windows95Family();
