// The full-screen saver on a desk of several monitors. These tests run on their own, in a
// session whose display has the heads named by VELMARIN_HEADS (scripts/wine-session.sh).
#include "SaverProcess.h"
#include "screensaver/SlideShowLogic.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
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

std::vector<Monitor> InShowOrder(std::vector<Monitor> monitors)
{
    OrderMonitors(monitors.data(), static_cast<int32_t>(monitors.size()));
    return monitors;
}

// The system's monitors, in show order.
std::vector<Monitor> Monitors()
{
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return InShowOrder(monitors);
}

// The heads "WxH+X+Y,..." of the session as monitors: the first is the primary, at (0, 0).
std::vector<Monitor> SessionHeads()
{
    const char* text = getenv("VELMARIN_HEADS");
    std::vector<Monitor> heads;
    std::istringstream list(text != nullptr ? text : "");
    std::string head;
    while (std::getline(list, head, ',')) {
        int width = 0, height = 0, x = 0, y = 0;
        if (sscanf(head.c_str(), "%dx%d+%d+%d", &width, &height, &x, &y) == 4) {
            heads.push_back({{x, y, x + width, y + height}, heads.empty()});
        }
    }
    const PixelRect primary = heads.empty() ? PixelRect{} : heads[0].rect;
    for (Monitor& monitor : heads) {
        monitor.rect = {monitor.rect.left - primary.left, monitor.rect.top - primary.top,
                        monitor.rect.right - primary.left, monitor.rect.bottom - primary.top};
    }
    return InShowOrder(heads);
}

std::string Describe(const std::vector<Monitor>& monitors)
{
    std::ostringstream text;
    for (const Monitor& m : monitors) {
        text << m.rect.left << "," << m.rect.top << " " << m.rect.right - m.rect.left << "x"
             << m.rect.bottom - m.rect.top << (m.primary ? " primary" : "") << "; ";
    }
    return text.str();
}

RECT AsRect(const PixelRect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

LONG Width(const Monitor& monitor)
{
    return monitor.rect.right - monitor.rect.left;
}

LONG Height(const Monitor& monitor)
{
    return monitor.rect.bottom - monitor.rect.top;
}

POINT Centre(const Monitor& monitor)
{
    return {monitor.rect.left + Width(monitor) / 2, monitor.rect.top + Height(monitor) / 2};
}

TEST(Monitors, TheDisplayHasTheSessionsHeads)
{
    std::vector<Monitor> heads = SessionHeads();
    ASSERT_GE(heads.size(), 2u) << "VELMARIN_HEADS names the heads of a session with several monitors";
    EXPECT_EQ(Describe(Monitors()), Describe(heads));
}

using MonitorsOnScreen = SaverOnScreen;

std::string WriteBmpFile(const Picture& picture)
{
    return WriteTempFile("monitor.bmp", WriteBmp(MakeBmp(picture, 24, false)));
}

void Tick(HWND window)
{
    SendMessageA(window, WM_TIMER, 1, 0);
}

TEST_F(MonitorsOnScreen, TheWindowCoversEveryMonitorAndMovementOnAnyOfThemCloses)
{
    std::vector<Monitor> monitors = Monitors();
    POINT last = Centre(monitors.back());
    SetCursorPos(last.x, last.y);
    HWND window = Start(0, {});
    ASSERT_NE(window, nullptr);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(rect.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    for (const Monitor& monitor : monitors) {
        EXPECT_EQ(WindowFromPoint(Centre(monitor)), window) << "the saver's window (and no cursor) is there";
    }
    MoveCursor(window, last.x + 2, last.y + 2);
    EXPECT_TRUE(Settle(window));
    EXPECT_EQ(saver->WaitForExit(0), STILL_ACTIVE);
    MoveCursor(window, last.x + 3, last.y + 2);
    EXPECT_EQ(saver->WaitForExit(), 0u);
}

TEST_F(MonitorsOnScreen, EachMonitorShowsTheNextPictureOfItsOwnAtEveryTick)
{
    const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF};
    std::vector<std::string> paths;
    for (uint32_t colour : colours) {
        paths.push_back(WriteBmpFile(SolidPicture(64, 48, colour)));
    }
    HWND window = Start(0, paths);
    ASSERT_NE(window, nullptr);
    std::vector<Monitor> monitors = Monitors();
    for (size_t tick = 0; tick < 2; ++tick) {
        Tick(window);
        for (size_t i = 0; i < monitors.size(); ++i) {
            SCOPED_TRACE("tick " + std::to_string(tick) + ", monitor " + std::to_string(i));
            ExpectShownAt(SettledScreen(AsRect(monitors[i].rect)), SolidPicture(64, 48, colours[(tick + i) % 3]),
                          (Width(monitors[i]) - 64) / 2, (Height(monitors[i]) - 48) / 2);
        }
    }
}

TEST_F(MonitorsOnScreen, PicturesAreCutOrScaledWithinTheirOwnMonitor)
{
    Picture large = PositionPicture(1100, 900);
    HWND window = Start(0, {WriteBmpFile(large)});
    ASSERT_NE(window, nullptr);
    std::vector<Monitor> monitors = Monitors();
    Tick(window);
    for (const Monitor& monitor : monitors) {
        SCOPED_TRACE(Describe({monitor}));
        ExpectShownAt(SettledScreen(AsRect(monitor.rect)), large, (Width(monitor) - 1100) / 2,
                      (Height(monitor) - 900) / 2);
    }
    saver.reset();

    window = Start(2, {WriteBmpFile(SolidPicture(800, 600, 0x3060C0))});
    ASSERT_NE(window, nullptr);
    Tick(window);
    for (const Monitor& monitor : monitors) {
        SCOPED_TRACE(Describe({monitor}));
        Placement placed = PlacePicture(800, 600, Width(monitor), Height(monitor), true);
        ExpectArea(DrawnArea(SettledScreen(AsRect(monitor.rect))), placed.x, placed.y, placed.width, placed.height);
    }
}

} // namespace
