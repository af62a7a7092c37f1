#include "SaverWindow.h"

#include "../screensaver/SSaver.h"
#include "InputMethod.h"
#include "MovementWatch.h"
#include "PasswordLock.h"
#include "SaverClass.h"
#include "SaverHost.h"

static int previewMode = 0;
static int win95Family = 0;

static int closeAllowed = 0;
static int verifying = 0;
static DWORD lastVerifyTick = 0xFFFFFFFF;

static const DWORD kVerifySpacing = 200;

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
    StartMovementWatch(!previewMode);
    HideCursorUnlessPreview();
    return ScreenSaverProc(window, message, wParam, lParam);
}

static LRESULT OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    GiveInputContextBack(window);
    StopMovementWatch();
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

// Nonzero when the saver may close now.
static int ConfirmClose(HWND window)
{
    if (verifying || closeAllowed) {
        return 0;
    }
    if (!PasswordProtected()) {
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
    return AskPasswordVerifier(window);
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
    if (!verifying && CursorMovedPastThreshold(window)) {
        PostClose(window);
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
