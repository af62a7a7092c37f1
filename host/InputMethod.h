// The input method of the saver window: off while the window lives.
#pragma once

#include <windows.h>

// At creation: detaches the window's input context, where the input method library is
// already mapped and has the entry.
void SwitchInputMethodOff(HWND window);
// At destruction: gives the detached context back.
void GiveInputContextBack(HWND window);
