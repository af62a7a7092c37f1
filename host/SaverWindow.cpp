#include "SaverWindow.h"

#include "../screensaver/SSaver.h"
#include "EntryLookup.h"
#include "CursorMovement.h"
#include "SaverHost.h"
#include "SaverStartup.h"

typedef BOOL(WINAPI* VerifierEntry)(HWND window);
typedef HANDLE(WINAPI* AssociateEntry)(HWND window, HANDLE context);
typedef HRESULT(WINAPI* MonitorDpiEntry)(HMONITOR monitor, int kind, UINT* dpiX, UINT* dpiY);
typedef UINT(WINAPI* WindowDpiEntry)(HWND window);

static int previewMode = 0;
static int win95Family = 0;

static int closeAllowed = 0;
static int verifying = 0;
static HMODULE verifierModule = nullptr;
static VerifierEntry verifierEntry = nullptr;
static HMODULE imeModule = nullptr;
static AssociateEntry imeAssociate = nullptr;
static HANDLE savedInputContext = nullptr;
static HMODULE dpiModule = nullptr;
static MonitorDpiEntry monitorDpi = nullptr;
static WindowDpiEntry windowDpi = nullptr;
static POINT referenceCursor = {0, 0};
static DWORD lastVerifyTick = 0xFFFFFFFF;

static const DWORD kVerifySpacing = 200;
static const int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI: the DPI the user's scaling gives

void SetHostFlags(int preview, int windows95Family)
{
    previewMode = preview;
    win95Family = windows95Family;
}

int PreviewMode()
{
    return previewMode;
}

int Windows95Family()
{
    return win95Family;
}

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

// The DPI look-ups of a current system, where it has them: the monitor's, else the window's.
static void LookUpDpiEntries()
{
    dpiModule = LoadLibraryA("SHCORE.DLL");
    if (dpiModule != nullptr) {
        monitorDpi = LookUpEntry<MonitorDpiEntry>(dpiModule, "GetDpiForMonitor");
    }
    windowDpi = LookUpEntry<WindowDpiEntry>(GetModuleHandleA("USER32.DLL"), "GetDpiForWindow");
}

static void ReleaseDpiEntries()
{
    monitorDpi = nullptr;
    windowDpi = nullptr;
    if (dpiModule != nullptr) {
        FreeLibrary(dpiModule);
        dpiModule = nullptr;
    }
}

// The DPI of the monitor at `point`, else that of the window; 0 when neither can be had.
static UINT DpiAt(HWND window, POINT point)
{
    UINT dpiX = 0, dpiY = 0;
    if (monitorDpi != nullptr &&
        monitorDpi(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &dpiX, &dpiY) == S_OK) {
        return dpiX;
    }
    return windowDpi != nullptr ? windowDpi(window) : 0;
}

// Where the cursor position cannot be had, the reference point stays where it was.
static void ResetReferenceCursor()
{
    POINT now;
    if (GetCursorPos(&now)) {
        referenceCursor = now;
    }
}

static void HideCursorUnlessPreview()
{
    if (!previewMode) {
        SetCursor(nullptr);
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

// Handlers of the class procedure: each answers its message or hands it to the slide show.

static LRESULT OnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SwitchInputMethodOff(window);
    if (!previewMode) {
        LookUpDpiEntries();
    }
    ResetReferenceCursor();
    HideCursorUnlessPreview();
    return ScreenSaverProc(window, message, wParam, lParam);
}

static LRESULT OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    GiveInputContextBack(window);
    ReleaseDpiEntries();
    PostQuitMessage(0);
    return ScreenSaverProc(window, message, wParam, lParam);
}

static LRESULT OnPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (closeAllowed) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HideCursorUnlessPreview();
    return ScreenSaverProc(window, message, wParam, lParam);
}

// Help and the context menu of a preview belong to the window it is shown in.
static LRESULT OnHelpRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previewMode) {
        return ScreenSaverProc(window, message, wParam, lParam);
    }
    ForwardToPreviewParent(window, message, lParam);
    return 1;
}

static LRESULT OnInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (closeAllowed) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

static LRESULT OnSystemCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previewMode && IsSwallowedSystemCommand(wParam)) {
        return 0;
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

// A full-screen window covers the monitors' new layout at once.
static LRESULT OnDisplayChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previewMode) {
        const RECT& r = SaverWindowShapeFor(nullptr).rect;
        SetWindowPos(window, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

// Once closing is allowed, no tick starts.
static LRESULT OnTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (closeAllowed) {
        return 0;
    }
    Sleep(0);
    return ScreenSaverProc(window, message, wParam, lParam);
}

LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, message, wParam, lParam);
    case WM_DESTROY:
        return OnDestroy(window, message, wParam, lParam);
    case WM_SETTEXT:
        return 0; // the title never changes
    case WM_PAINT:
        return OnPaint(window, message, wParam, lParam);
    case WM_HELP:
    case WM_CONTEXTMENU:
        return OnHelpRequest(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        return OnInput(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        return OnSystemCommand(window, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
        return OnDisplayChange(window, message, wParam, lParam);
    case WM_TIMER:
        return OnTimer(window, message, wParam, lParam);
    default:
        return ScreenSaverProc(window, message, wParam, lParam);
    }
}

static void PostClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

// Movements add up from the reference point until they pass the threshold of the monitor
// the cursor is on.
static void CheckMovement(HWND window)
{
    POINT now;
    if (!GetCursorPos(&now)) {
        return;
    }
    if (MovedPastThreshold(now.x - referenceCursor.x, now.y - referenceCursor.y, DpiAt(window, now))) {
        PostClose(window);
        referenceCursor = now;
    }
}

// Nonzero when the saver may close now.
static int ConfirmClose(HWND window)
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

// Handlers of the default procedure. While the verifier's dialog is up, input neither
// closes the saver nor hides the cursor.

// Outside the Windows 95 family a close request closes; in it, the verifier decides.
static LRESULT OnCloseRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (win95Family && !ConfirmClose(window)) {
        ResetReferenceCursor();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnVerifyRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!win95Family) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return verifierEntry != nullptr ? verifierEntry(window) : 1;
}

static LRESULT OnShowWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (wParam && !verifying) {
        SetCursor(nullptr);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnActivateApp(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!wParam && !verifying) {
        PostClose(window);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnPress(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!verifying) {
        PostClose(window);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT OnSetCursor(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (verifying) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    SetCursor(nullptr);
    return TRUE;
}

static LRESULT OnMouseMove(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!verifying) {
        CheckMovement(window);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT WINAPI SaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A preview never closes itself on input, and a saver allowed to close has nothing left to do.
    if (previewMode || closeAllowed) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_CLOSE:
        return OnCloseRequest(window, message, wParam, lParam);
    case VERIFY_REQUEST:
        return OnVerifyRequest(window, message, wParam, lParam);
    case WM_SHOWWINDOW:
        return OnShowWindow(window, message, wParam, lParam);
    case WM_ACTIVATEAPP:
        return OnActivateApp(window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        return OnPress(window, message, wParam, lParam);
    case WM_SETCURSOR:
        return OnSetCursor(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
        return OnMouseMove(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
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
