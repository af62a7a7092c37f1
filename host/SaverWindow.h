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

// Host flags, read here; set once at start-up through SetHostFlags, before the window exists.
extern int previewMode;
extern int win95Family;
void SetHostFlags(int preview, int windows95Family);

// The message the window sends itself to ask the password verifier.
const UINT VERIFY_REQUEST = WM_APP;

LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Nonzero when the saver may close now.
int ConfirmClose(HWND window);
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void SetSaverRunning(int on);
