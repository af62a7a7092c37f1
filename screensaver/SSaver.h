// The slide show: the saver window's content procedure.
#pragma once

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam,
                                                                LPARAM lParam);

// The slide show's own messages, after the host's (WM_APP).
// From the picture worker: the picture of monitor number wParam is ready.
const UINT SHOW_PICTURE_READY = WM_APP + 1;
// Answered, not handed on, with the number of monitors still waiting for a picture: one a
// tick found not ready, or the next one. 0 means every tick so far has drawn and the next
// pictures are prepared; those who drive the window (tests, benchmarks) wait for it.
const UINT SHOW_PICTURES_WAITING = WM_APP + 2;
