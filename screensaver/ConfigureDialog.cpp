#include "ConfigureDialog.h"

#include "ImagesDialog.h"
#include "resources/resource.h"
#include "UnsavedSettings.h"
#include "shared.h"

#include <cstdio>
#include <cstring>

static HWND updateTimeEdit;
static HWND randomUpdateBox;
static HWND fullScreenBox;
static HWND fadeBox;

// The edit takes 9 characters; the buffer also holds the 10 that a stored value may have.
static const WPARAM kUpdateTimeLimit = 9;

int ScreenSaverPrepareDialogs(HINSTANCE)
{
    return 1;
}

static void CheckIf(HWND box, bool checked)
{
    if (checked) {
        SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    }
}

static bool IsChecked(HWND box)
{
    return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

static void ShowStoredSettings()
{
    DWORD flags = ReadFlags();
    CheckIf(randomUpdateBox, (flags & FLAG_RANDOM_ORDER) != 0);
    CheckIf(fullScreenBox, (flags & FLAG_SCALE_TO_FIT) != 0);
    CheckIf(fadeBox, (flags & FLAG_FADE) != 0);

    SendMessageA(updateTimeEdit, EM_LIMITTEXT, kUpdateTimeLimit, 0);
    char updateTime[UPDATE_TIME_CHARS + 1];
    ReadUpdateTime(updateTime);
    SendMessageA(updateTimeEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(updateTime));
}

static BOOL InitConfigureDialog(HWND dialog)
{
    randomUpdateBox = GetDlgItem(dialog, IDC_RANDOM_UPDATE);
    fullScreenBox = GetDlgItem(dialog, IDC_FULL_SCREEN);
    fadeBox = GetDlgItem(dialog, IDC_FADE);
    updateTimeEdit = GetDlgItem(dialog, IDC_UPDATE_TIME);
    OpenKeys();
    ShowStoredSettings();
    return TRUE;
}

// EM_GETLINE takes the capacity in the buffer's first word and copies without a terminator.
static void EditedUpdateTime(char text[UPDATE_TIME_CHARS + 1])
{
    const WORD capacity = UPDATE_TIME_CHARS;
    memcpy(text, &capacity, sizeof capacity);
    LRESULT copied = SendMessageA(updateTimeEdit, EM_GETLINE, 0, reinterpret_cast<LPARAM>(text));
    text[copied] = '\0';
}

// ERROR_SUCCESS, or the error of the first value that could not be written.
static LONG SaveSettings()
{
    DWORD flags = 0;
    if (IsChecked(randomUpdateBox)) {
        flags |= FLAG_RANDOM_ORDER;
    }
    if (IsChecked(fullScreenBox)) {
        flags |= FLAG_SCALE_TO_FIT;
    }
    if (IsChecked(fadeBox)) {
        flags |= FLAG_FADE;
    }
    LONG result = WriteFlags(flags);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    char updateTime[UPDATE_TIME_CHARS + 1];
    EditedUpdateTime(updateTime);
    return WriteUpdateTime(updateTime);
}

static void CloseConfigureDialog(HWND dialog, bool accepted)
{
    CloseKeys();
    EndDialog(dialog, accepted ? 1 : 0);
}

// Nested dialogs come from the resources the configuration dialog was created from.
static void RunNestedDialog(HWND dialog, int templateId, DLGPROC procedure)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), dialog, procedure, 0);
}

static BOOL ConfigureCommand(HWND dialog, WORD command)
{
    switch (command) {
    case IDOK:
        if (SettingsSaved(dialog, SaveSettings())) {
            CloseConfigureDialog(dialog, true);
        }
        return TRUE;
    case IDCANCEL:
        CloseConfigureDialog(dialog, false);
        return TRUE;
    case IDC_EDIT_IMAGES:
        RunNestedDialog(dialog, DLG_IMAGES, ImagesDialogProc);
        return TRUE;
    case IDC_ABOUT:
        RunNestedDialog(dialog, DLG_ABOUT, AboutDialogProc);
        return TRUE;
    default:
        return FALSE;
    }
}

extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitConfigureDialog(dialog);
    case WM_COMMAND:
        return ConfigureCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}

static const char* const kBuildDate = __DATE__;
static const char* const kBuildTime = __TIME__;

static BOOL InitAboutBox(HWND dialog)
{
    char version[16];
    snprintf(version, sizeof version, "Version %s", SETTINGS_VERSION);
    SetDlgItemTextA(dialog, IDC_VERSION_TEXT, version);
    char build[48];
    snprintf(build, sizeof build, "%s %s", kBuildDate, kBuildTime);
    SetDlgItemTextA(dialog, IDC_BUILD_TEXT, build);
    return TRUE;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitAboutBox(dialog);
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK) {
            return FALSE;
        }
        EndDialog(dialog, 1);
        return TRUE;
    default:
        return FALSE;
    }
}
