#include "PasswordLock.h"

#include "EntryLookup.h"
#include "SaverWindow.h"

#include <cstdlib>

typedef BOOL(WINAPI* VerifierEntry)(HWND window);

static HMODULE verifierModule = nullptr;
static VerifierEntry verifierEntry = nullptr;
// Nonzero while this process holds the system's state on; the exit handler reads it from
// whichever thread ends the process.
static volatile LONG runningStateHeld = 0;
static bool exitHandlerRegistered = false;

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

// The end of the process through exit: a state this process still holds goes off.
static void TurnRunningStateOffAtExit()
{
    if (InterlockedExchange(&runningStateHeld, 0) != 0) {
        SetSystemState(0);
    }
}

// False when the exit handler cannot be registered: a fatal exit could not turn the state
// off again, so it must not be turned on.
static bool EnsureExitHandler()
{
    if (!exitHandlerRegistered) {
        exitHandlerRegistered = atexit(TurnRunningStateOffAtExit) == 0;
    }
    return exitHandlerRegistered;
}

void SetSaverRunning(int on)
{
    if (!Windows95Family()) {
        return;
    }
    if (on && !EnsureExitHandler()) {
        return;
    }
    InterlockedExchange(&runningStateHeld, on ? 1 : 0);
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
