// What the dialogs tell the user when OK could not store the settings.
#pragma once

#include <windows.h>

// True for ERROR_SUCCESS. Otherwise says in a box owned by `dialog` that the settings could not
// be saved and why, and returns false: the dialog then stays open.
bool SettingsSaved(HWND dialog, LONG result);
