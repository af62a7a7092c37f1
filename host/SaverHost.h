// What the host's start-up and its window procedures share.
#pragma once

#include <windows.h>

// Sets the mode flags once, before the window exists.
void SetHostFlags(int preview, int windows95Family);

// The message the window sends itself to ask the password verifier.
const UINT VERIFY_REQUEST = WM_APP;
