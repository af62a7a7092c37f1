#include "SaverStartup.h"

#include "../screensaver/ConfigureDialog.h"
#include "../shared/cgen.h"
#include "CommandLine.h"
#include "EntryLookup.h"
#include "PasswordLock.h"
#include "SaverClass.h"
#include "SaverHost.h"
#include "SaverWindow.h"
#include "resources/resource.h"

static HINSTANCE instanceHandle = nullptr;

static const int kFailedRun = -1;

typedef DWORD(WINAPI* ChangePasswordEntry)(LPCSTR provider, HWND owner, DWORD reserved1, DWORD reserved2);

static const char* StepCharacter(const char* text)
{
    return CharNextA(text);
}

void SaverStartup()
{
    const char* tail = CommandTail(GetCommandLineA(), StepCharacter);
    ExitProcess(static_cast<UINT>(SaverMain(GetModuleHandleA(nullptr), tail)));
}

static HWND WindowFromNumber(const char* text)
{
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(ParseWindowNumber(text)));
}

static bool IsWindows95Family()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The exception guard: an exception nothing else handles gets the system's verdict; where
// that is to handle it, the screen-saver-running state is switched off and the process ends.
static LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

static LONG WINAPI GuardFilter(EXCEPTION_POINTERS* exception)
{
    // The system's filter calls the top-level one: restore it first so it is not us again.
    SetUnhandledExceptionFilter(previousFilter);
    LONG verdict = UnhandledExceptionFilter(exception);
    if (verdict == EXCEPTION_EXECUTE_HANDLER) {
        SetSaverRunning(0);
        ExitProcess(static_cast<UINT>(kFailedRun));
    }
    return verdict;
}

void InstallExceptionGuard()
{
    previousFilter = SetUnhandledExceptionFilter(GuardFilter);
}

static int RunMode(SaverMode mode, const char* argument)
{
    switch (mode) {
    case MODE_CONFIGURE:
        return OpenConfiguration(nullptr);
    case MODE_CONFIGURE_FOREGROUND:
        return OpenConfiguration(GetForegroundWindow());
    case MODE_FULL_SCREEN:
        return RunSaverWindow(nullptr);
    case MODE_PREVIEW: {
        HWND parent = WindowFromNumber(argument);
        if (parent == nullptr || !IsWindow(parent)) {
            return -1;
        }
        return RunSaverWindow(parent);
    }
    case MODE_CHANGE_PASSWORD:
        return Windows95Family() ? ChangeSaverPassword(argument) : -1;
    case MODE_INVALID:
    default:
        return -1;
    }
}

int SaverMain(HINSTANCE instance, const char* tail)
{
    instanceHandle = instance;
    const char* argument = nullptr;
    SaverMode mode = ParseCommandTail(tail, &argument);
    SetHostFlags(mode == MODE_PREVIEW ? 1 : 0, IsWindows95Family() ? 1 : 0);
    if (mode == MODE_FULL_SCREEN || mode == MODE_PREVIEW) {
        SendWarningsToDebugger();
    }
    InstallExceptionGuard();
    return RunMode(mode, argument);
}

int OpenConfiguration(HWND owner)
{
    if (ScreenSaverPrepareDialogs(instanceHandle) == 0) {
        return 0;
    }
    return static_cast<int>(DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(DLG_CONFIGURE), owner,
                                            ScreenSaverConfigureDialog, 0));
}

int ChangeSaverPassword(const char* text)
{
    HWND owner = WindowFromNumber(text);
    if (owner == nullptr || !IsWindow(owner)) {
        owner = GetForegroundWindow();
    }
    HMODULE library = LoadLibraryA("MPR.DLL");
    if (library == nullptr) {
        return 0;
    }
    ChangePasswordEntry change = LookUpEntry<ChangePasswordEntry>(library, "PwdChangePasswordA");
    if (change != nullptr) {
        change("SCRSAVE", owner, 0, 0);
    }
    FreeLibrary(library);
    return 0;
}

static bool OtherSaverRunning()
{
    HWND other = FindFullScreenSaver();
    if (other != nullptr) {
        SetForegroundWindow(other);
        return true;
    }
    return false;
}

static WPARAM RunMessageLoop()
{
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return message.wParam;
}

// The window's message loop until it is destroyed; the quit code, or -1 when there is no window.
static int ShowSaverWindow(HWND parent)
{
    HWND window = RegisterSaverClass(instanceHandle) ? CreateSaverWindow(instanceHandle, parent) : nullptr;
    if (window == nullptr) {
        return kFailedRun;
    }
    if (parent == nullptr) {
        SetForegroundWindow(window);
    }
    return static_cast<int>(RunMessageLoop());
}

int RunSaverWindow(HWND parent)
{
    if (parent == nullptr) {
        if (OtherSaverRunning()) {
            return 0;
        }
        LoadPasswordVerifier();
    }
    int result = ShowSaverWindow(parent);
    UnloadPasswordVerifier();
    return result;
}
