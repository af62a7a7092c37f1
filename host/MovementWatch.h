// The mouse movement that closes a full-screen saver: movements add up from a reference
// point until they pass the threshold of the monitor the cursor is on.
#pragma once

#include <windows.h>

// At creation: the reference is where the cursor is; the DPI look-ups of a current system
// are made where `scaleByDpi` (a full-screen saver), else the threshold stays unscaled.
void StartMovementWatch(bool scaleByDpi);
// At destruction: releases the DPI look-ups.
void StopMovementWatch();
// The reference moves to where the cursor is now; it stays where the position cannot be had.
void ResetReferenceCursor();
// True when the cursor went past the threshold since the reference, which then moves to it.
bool CursorMovedPastThreshold(HWND window);
