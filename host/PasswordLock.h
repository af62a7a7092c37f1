// The password verifier of the Windows 95 family and the system's "screen saver running"
// state, which is on while a verifier is loaded. However the process ends, the state goes
// off again: after the message loop, in the exception guard, and at exit (a fatal error or
// running out of memory).
#pragma once

#include <windows.h>

// Before a full-screen run: loads the verifier when the desktop settings ask for a password.
void LoadPasswordVerifier();
// After the run; nothing to do when no verifier is loaded.
void UnloadPasswordVerifier();
// True while a verifier is loaded: the saver closes only on its yes.
bool PasswordProtected();
// The verifier's answer for the saver window: nonzero accepts; 1 when none is loaded.
LRESULT AskPasswordVerifier(HWND window);
// Turns the system's state on or off, in the Windows 95 family only.
void SetSaverRunning(int on);
