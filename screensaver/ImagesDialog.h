// The image list dialog (template 3000): edits the paths of the slide show.
#pragma once

#include <windows.h>

// Dialog procedure; uses the user key that the configuration dialog opened.
INT_PTR CALLBACK ImagesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Appends path to list unless an entry equal but for letter case is there (then -1).
// A path the list box refuses is shown in a message box owned by owner. Otherwise 0.
int AddUniqueToList(HWND owner, HWND list, const char* path);
// Byte-wise order of two texts, bytes taken as signed: -1, 0 or 1. A prefix comes first.
int CompareStrings(const char* first, const char* second);
