#include "MovementWatch.h"

#include "CursorMovement.h"
#include "EntryLookup.h"

typedef HRESULT(WINAPI* MonitorDpiEntry)(HMONITOR monitor, int kind, UINT* dpiX, UINT* dpiY);
typedef UINT(WINAPI* WindowDpiEntry)(HWND window);

static HMODULE dpiModule = nullptr;
static MonitorDpiEntry monitorDpi = nullptr;
static WindowDpiEntry windowDpi = nullptr;
static POINT referenceCursor = {0, 0};

static const int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI: the DPI the user's scaling gives

// The DPI look-ups of a current system, where it has them: the monitor's, else the window's.
static void LookUpDpiEntries()
{
    dpiModule = LoadLibraryA("SHCORE.DLL");
    if (dpiModule != nullptr) {
        monitorDpi = LookUpEntry<MonitorDpiEntry>(dpiModule, "GetDpiForMonitor");
    }
    windowDpi = LookUpEntry<WindowDpiEntry>(GetModuleHandleA("USER32.DLL"), "GetDpiForWindow");
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

void StartMovementWatch(bool scaleByDpi)
{
    if (scaleByDpi) {
        LookUpDpiEntries();
    }
    ResetReferenceCursor();
}

void StopMovementWatch()
{
    monitorDpi = nullptr;
    windowDpi = nullptr;
    if (dpiModule != nullptr) {
        FreeLibrary(dpiModule);
        dpiModule = nullptr;
    }
}

void ResetReferenceCursor()
{
    POINT now;
    if (GetCursorPos(&now)) {
        referenceCursor = now;
    }
}

bool CursorMovedPastThreshold(HWND window)
{
    POINT now;
    if (!GetCursorPos(&now) ||
        !MovedPastThreshold(now.x - referenceCursor.x, now.y - referenceCursor.y, DpiAt(window, now))) {
        return false;
    }
    referenceCursor = now;
    return true;
}
