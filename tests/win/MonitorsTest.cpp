// The full-screen saver on a desk of several monitors. These tests run on their own, on a
// display with several monitors (scripts/wine-session.sh with heads).
#include "SaverProcess.h"
#include "screensaver/SlideShowLogic.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM list)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
        {{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

// The system's monitors as rectangles, in show order.
std::vector<RECT> Monitors()
{
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    OrderMonitors(monitors.data(), static_cast<int32_t>(monitors.size()));
    std::vector<RECT> rects;
    for (const Monitor& m : monitors) {
        rects.push_back({m.rect.left, m.rect.top, m.rect.right, m.rect.bottom});
    }
    EXPECT_GE(rects.size(), 2u) << "a display with several monitors";
    return rects;
}

POINT Centre(const RECT& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

using MonitorsOnScreen = SaverOnScreen;

TEST_F(MonitorsOnScreen, TheWindowCoversEveryMonitorAndMovementOnAnyOfThemCloses)
{
    std::vector<RECT> monitors = Monitors();
    POINT last = Centre(monitors.back());
    SetCursorPos(last.x, last.y);
    HWND window = Start(0, {});
    ASSERT_NE(window, nullptr);
    RECT rect;
    GetWindowRect(window, &rect);
    RECT virtualScreen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                          GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    EXPECT_TRUE(EqualRect(&rect, &virtualScreen));
    for (const RECT& monitor : monitors) {
        EXPECT_EQ(WindowFromPoint(Centre(monitor)), window) << "the saver's window, without a cursor, is there";
    }
    MoveCursor(window, last.x + 2, last.y + 2);
    EXPECT_TRUE(Settle(window));
    EXPECT_EQ(saver->WaitForExit(0), STILL_ACTIVE);
    MoveCursor(window, last.x + 3, last.y + 2);
    EXPECT_EQ(saver->WaitForExit(), 0u);
}

// Monitor i shows entry (tick + i) mod 3 at each tick, centred in it; the large one is cut
// to each monitor's edges.
TEST_F(MonitorsOnScreen, EachMonitorShowsTheNextPictureOfItsOwnAtEveryTick)
{
    const Picture pictures[] = {PositionPicture(1100, 900), SolidPicture(64, 48, 0xFF0000),
                                SolidPicture(64, 48, 0x0000FF)};
    std::vector<std::string> paths;
    for (const Picture& picture : pictures) {
        paths.push_back(WriteTempFile("monitor.bmp", WriteBmp(MakeBmp(picture, 24, false))));
    }
    HWND window = Start(0, paths);
    ASSERT_NE(window, nullptr);
    std::vector<RECT> monitors = Monitors();
    for (size_t tick = 0; tick < 2; ++tick) {
        SendMessageA(window, WM_TIMER, 1, 0);
        for (size_t i = 0; i < monitors.size(); ++i) {
            SCOPED_TRACE("tick " + std::to_string(tick) + ", monitor " + std::to_string(i));
            const Picture& shown = pictures[(tick + i) % 3];
            const RECT& m = monitors[i];
            ExpectShownAt(SettledScreen(m), shown, (m.right - m.left - shown.width) / 2,
                          (m.bottom - m.top - shown.height) / 2);
        }
    }
}

} // namespace
