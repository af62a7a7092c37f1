#include "UnsavedSettings.h"

#include <cctype>
#include <cstdio>

static const char* const kCaption = "Velmarin Screensaver";

// The system's wording of the error without its line break, or its number where it has none.
static void DescribeError(LONG error, char* text, DWORD size)
{
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(error), 0, text, size, nullptr);
    if (length == 0) {
        snprintf(text, size, "Error %ld.", static_cast<long>(error));
        return;
    }
    while (length > 0 && isspace(static_cast<unsigned char>(text[length - 1]))) {
        text[--length] = '\0';
    }
}

bool SettingsSaved(HWND dialog, LONG result)
{
    if (result == ERROR_SUCCESS) {
        return true;
    }
    char reason[256];
    DescribeError(result, reason, sizeof reason);
    char text[320];
    snprintf(text, sizeof text, "The settings could not be saved:\n%s", reason);
    MessageBoxA(dialog, text, kCaption, MB_OK | MB_ICONERROR);
    return false;
}
