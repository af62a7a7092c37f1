// Prints the monitors the system reports, one a line ("left,top widthxheight", the primary
// marked), then the virtual screen: for checking a display set up with several monitors.
#include <windows.h>

#include <cstdio>

static BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, RECT*, LPARAM)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) {
        printf("a monitor without information\n");
        return TRUE;
    }
    const RECT& r = info.rcMonitor;
    printf("%ld,%ld %ldx%ld%s\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
           info.dwFlags & MONITORINFOF_PRIMARY ? " primary" : "");
    return TRUE;
}

int main()
{
    if (!EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0)) {
        fprintf(stderr, "EnumDisplayMonitors failed: %lu\n", GetLastError());
        return 1;
    }
    printf("virtual screen %d,%d %dx%d\n", GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
           GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    return 0;
}
