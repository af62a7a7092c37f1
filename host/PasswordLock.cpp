#include "PasswordLock.h"

#include "EntryLookup.h"
#include "SaverWindow.h"

typedef BOOL(WINAPI* VerifierEntry)(HWND window);

static HMODULE verifierModule = nullptr;
static VerifierEntry verifierEntry = nullptr;

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

static void SetSystemState(int on)
{
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, on, &previous, 0);
}

void SetSaverRunning(int on)
{
    if (!Windows95Family()) {
        return;
    }
    SetSystemState(on);
}

void LoadPasswordVerifier()
{
    if (!Windows95Family()) {
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
    if (!Windows95Family() || verifierModule == nullptr) {
        return;
    }
    FreeLibrary(verifierModule);
    verifierModule = nullptr;
    if (verifierEntry != nullptr) {
        verifierEntry = nullptr;
        SetSaverRunning(0);
    }
}

bool PasswordProtected()
{
    return verifierEntry != nullptr;
}

LRESULT AskPasswordVerifier(HWND window)
{
    return verifierEntry != nullptr ? verifierEntry(window) : 1;
}
