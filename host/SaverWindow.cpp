#include "SaverWindow.h"

#include "../screensaver/SSaver.h"
#include "EntryLookup.h"

#include <cstdlib>

typedef BOOL(WINAPI* VerifierEntry)(HWND window);
typedef HANDLE(WINAPI* AssociateEntry)(HWND window, HANDLE context);

int previewMode = 0;
int win95Family = 0;

static int closeAllowed = 0;
static int verifying = 0;
static HMODULE verifierModule = nullptr;
static VerifierEntry verifierEntry = nullptr;
static HMODULE imeModule = nullptr;
static AssociateEntry imeAssociate = nullptr;
static HANDLE savedInputContext = nullptr;
static POINT referenceCursor = {0, 0};
static DWORD lastVerifyTick = 0xFFFFFFFF;

static const DWORD kVerifySpacing = 200;
static const DWORD kMovementThreshold = 4;

void SetSaverRunning(int on)
{
    if (!win95Family) {
        return;
    }
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, on, &previous, 0);
}

static void SwitchInputMethodOff(HWND window)
{
    imeModule = GetModuleHandleA("IMM32.DLL");
    if (imeModule == nullptr) {
        return;
    }
    imeAssociate = LookUpEntry<AssociateEntry>(imeModule, "ImmAssociateContext");
    if (imeAssociate != nullptr) {
        savedInputContext = imeAssociate(window, nullptr);
    }
}

static void GiveInputContextBack(HWND window)
{
    if (imeModule != nullptr && imeAssociate != nullptr && savedInputContext != nullptr) {
        imeAssociate(window, savedInputContext);
    }
}

static void ForwardToPreviewParent(HWND window, UINT message, LPARAM lParam)
{
    HWND parent = GetParent(window);
    if (parent != nullptr && IsWindow(parent)) {
        PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
    }
}

static bool IsSwallowedSystemCommand(WPARAM command)
{
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        SwitchInputMethodOff(window);
        GetCursorPos(&referenceCursor);
        if (!previewMode) {
            SetCursor(nullptr);
        }
        break;
    case WM_DESTROY:
        GiveInputContextBack(window);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (closeAllowed) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        if (!previewMode) {
            SetCursor(nullptr);
        }
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (previewMode) {
            ForwardToPreviewParent(window, message, lParam);
            return 1;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (closeAllowed) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        break;
    case WM_SYSCOMMAND:
        if (!previewMode && IsSwallowedSystemCommand(wParam)) {
            return 0;
        }
        break;
    case WM_TIMER:
        if (closeAllowed) {
            return 0;
        }
        Sleep(0);
        break;
    default:
        break;
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

static void PostClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

static void CheckMovement(HWND window)
{
    POINT now;
    GetCursorPos(&now);
    DWORD distance = static_cast<DWORD>(abs(now.x - referenceCursor.x)) +
                     static_cast<DWORD>(abs(now.y - referenceCursor.y));
    if (distance > kMovementThreshold) {
        PostClose(window);
        referenceCursor = now;
    }
}

LRESULT WINAPI SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (previewMode || closeAllowed) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_CLOSE && win95Family && !ConfirmClose(window)) {
        GetCursorPos(&referenceCursor);
        return 0;
    }
    if (message == VERIFY_REQUEST && win95Family) {
        return verifierEntry != nullptr ? verifierEntry(window) : 1;
    }
    if (message == WM_CLOSE || message == VERIFY_REQUEST || verifying) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam) {
            SetCursor(nullptr);
        }
        break;
    case WM_ACTIVATEAPP:
        if (!wParam) {
            PostClose(window);
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        PostClose(window);
        break;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return TRUE;
    case WM_MOUSEMOVE:
        CheckMovement(window);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int ConfirmClose(HWND window)
{
    if (verifying || closeAllowed) {
        return 0;
    }
    if (verifierEntry == nullptr) {
        closeAllowed = 1;
        return 1;
    }
    if (lastVerifyTick != 0xFFFFFFFF && GetTickCount() - lastVerifyTick < kVerifySpacing) {
        return closeAllowed;
    }
    verifying = 1;
    MSG pending;
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    closeAllowed = SendMessageA(window, VERIFY_REQUEST, 0, 0) != 0;
    verifying = 0;
    if (!closeAllowed) {
        SetCursor(nullptr);
    }
    lastVerifyTick = GetTickCount();
    return closeAllowed;
}

// True when the desktop settings ask for a password.
static bool PasswordWanted()
{
    HKEY desktop;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS) {
        return false;
    }
    DWORD value = 0;
    DWORD size = sizeof value;
    bool wanted = RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
                  value != 0;
    RegCloseKey(desktop);
    return wanted;
}

void LoadPasswordVerifier()
{
    if (!win95Family) {
        return;
    }
    if (verifierModule != nullptr) {
        UnloadPasswordVerifier();
    }
    if (!PasswordWanted()) {
        return;
    }
    verifierModule = LoadLibraryA("PASSWORD.CPL");
    if (verifierModule == nullptr) {
        return;
    }
    verifierEntry = LookUpEntry<VerifierEntry>(verifierModule, "VerifyScreenSavePwd");
    if (verifierEntry != nullptr) {
        SetSaverRunning(1);
    } else {
        UnloadPasswordVerifier();
    }
}

void UnloadPasswordVerifier()
{
    if (!win95Family || verifierModule == nullptr) {
        return;
    }
    FreeLibrary(verifierModule);
    verifierModule = nullptr;
    if (verifierEntry != nullptr) {
        verifierEntry = nullptr;
        SetSaverRunning(0);
    }
}
