// The saver window's procedures in one process: a child creates the window as the host
// does, drives it with real messages and writes down what it saw.
#include "Harness.h"
#include "RegistryFixture.h"
#include "SaverProcess.h"
#include "host/SaverClass.h"
#include "host/SaverHost.h"
#include "screensaver/shared.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace {

bool TakePosted(HWND window, UINT message)
{
    MSG taken;
    return PeekMessageA(&taken, window, message, message, PM_REMOVE) != 0;
}

// Dispatches messages until `count` ticks of timer 1 have come; the milliseconds it took.
DWORD TimeTicks(HWND window, int count)
{
    int ticks = 0;
    DWORD start = GetTickCount();
    while (ticks < count && GetTickCount() - start < kTimeout) {
        MSG message;
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
            break;
        }
        if (message.hwnd == window && message.message == WM_TIMER && message.wParam == 1) {
            ++ticks;
        }
        DispatchMessageA(&message);
    }
    return GetTickCount() - start;
}

// The full-screen saver window in the host's shape; its class keeps no DC of its own, so
// that other threads can read the window.
HWND CreateSaverWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterSaverClass(instance, kSaverClassStyle & ~CS_OWNDC);
    return ::CreateSaverWindow(instance, nullptr);
}

// The primary monitor's centre in the window.
POINT PrimaryCentre(HWND window)
{
    POINT centre = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    ScreenToClient(window, &centre);
    return centre;
}

CHILD_SCENARIO(SaverWindow)
{
    HWND window = CreateSaverWindow();
    Observe("cursorHidden", GetCursor() == nullptr);
    Observe("setCursor", SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 0));
    Observe("erase", SendMessageA(window, WM_ERASEBKGND, 0, 0));
    Observe("msFor3Ticks", TimeTicks(window, 3));

    SendMessageA(window, WM_KEYUP, VK_SPACE, 0);
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    Observe("closeAfterRelease", TakePosted(window, WM_CLOSE));
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    Observe("closeAfterPress", TakePosted(window, WM_CLOSE));

    DestroyWindow(window);
    Observe("quit", TakePosted(nullptr, WM_QUIT));
    Observe("timerAfterDestroy", KillTimer(window, 1));
    Observe("keysClosed", KeysAreClosed());
    return 0;
}

// Reads the centre of the window from a second thread, which sees what the window's own
// drawing leaves there at every moment, until the colour `until` shows.
struct CentreWatch {
    HWND window;
    POINT centre;
    COLORREF until;
    HANDLE firstSeen; // an event, set after the first reading
    std::set<COLORREF> seen;
};

DWORD WINAPI WatchCentre(void* context)
{
    CentreWatch* watch = static_cast<CentreWatch*>(context);
    HDC dc = GetDC(watch->window);
    DWORD start = GetTickCount();
    COLORREF colour;
    do {
        colour = GetPixel(dc, watch->centre.x, watch->centre.y);
        watch->seen.insert(colour);
        SetEvent(watch->firstSeen);
    } while (colour != watch->until && GetTickCount() - start < kTimeout);
    ReleaseDC(watch->window, dc);
    return 0;
}

// The first picture, drawn without a tick, then a tick; the colours the window's centre shows
// from before the tick until blue.
CHILD_SCENARIO(SecondTickWatched)
{
    HWND window = CreateSaverWindow();
    WaitForPictures(window);
    HANDLE firstSeen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CentreWatch watch = {window, PrimaryCentre(window), RGB(0, 0, 255), firstSeen, {}};
    HANDLE watcher = CreateThread(nullptr, 0, WatchCentre, &watch, 0, nullptr);
    WaitForSingleObject(watch.firstSeen, kTimeout);
    SendMessageA(window, WM_TIMER, 1, 0);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    CloseHandle(watch.firstSeen);
    std::ostringstream colours;
    for (COLORREF colour : watch.seen) {
        colours << std::hex << colour << " ";
    }
    Observe("colours", colours.str());
    DestroyWindow(window);
    return 0;
}

// A tick in the window shrunk to 300 x 200, then a display change: the window afterwards.
CHILD_SCENARIO(DisplayChange)
{
    HWND window = CreateSaverWindow();
    SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_TIMER, 1, 0);
    SendMessageA(window, WM_DISPLAYCHANGE, 32, 0);
    WaitForPictures(window);
    RECT rect, expected = SaverWindowShapeFor(nullptr).rect;
    GetWindowRect(window, &rect);
    Observe("coversTheScreen", EqualRect(&rect, &expected));
    HDC dc = GetDC(window);
    POINT centre = PrimaryCentre(window);
    Observe("centre", GetPixel(dc, centre.x, centre.y));
    ReleaseDC(window, dc);
    DestroyWindow(window);
    return 0;
}

// A preview inside a window of this process: the colour its centre shows once its first
// picture is drawn, without a tick.
CHILD_SCENARIO(PreviewFirstPicture)
{
    SetHostFlags(1, 0);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND parent = CreateWindowExA(0, "STATIC", "Preview parent", WS_POPUP | WS_VISIBLE, 50, 50, 320, 240, nullptr,
                                  nullptr, instance, nullptr);
    RegisterSaverClass(instance, kSaverClassStyle & ~CS_OWNDC);
    HWND preview = ::CreateSaverWindow(instance, parent);
    Observe("waiting", WaitForPictures(preview) ? 0 : 1);
    HDC dc = GetDC(preview);
    Observe("centre", GetPixel(dc, 160, 120));
    ReleaseDC(preview, dc);
    DestroyWindow(parent);
    return 0;
}

using SaverWindowProcedures = RegistryTest;

// An image list of one red picture, shown for as long as a test runs.
void StoreOneRedPicture()
{
    std::vector<uint32_t> red(40 * 30, 0xFF0000);
    WriteSaverSettings(0, "1000000", {WriteTempFile("red.bmp", WriteBmp(MakeBmp({40, 30, red}, 24, false)))});
}

TEST_F(SaverWindowProcedures, CursorTimerInputAndTeardown)
{
    WriteSaverSettings(0, "250", {});
    ChildProcess child("SaverWindow");
    ASSERT_EQ(child.WaitForExit(), 0u);
    Observations seen = child.Observed();
    EXPECT_EQ(seen["cursorHidden"], "1");
    EXPECT_EQ(seen["setCursor"], "1");
    EXPECT_EQ(seen["erase"], "1") << "the default's answer: erased with the class brush";
    EXPECT_GE(std::stoi(seen["msFor3Ticks"]), 600) << "timer 1 at the stored 250 ms";
    EXPECT_EQ(seen["closeAfterRelease"], "0");
    EXPECT_EQ(seen["closeAfterPress"], "1");
    EXPECT_EQ(seen["quit"], "1");
    EXPECT_EQ(seen["timerAfterDestroy"], "0");
    EXPECT_EQ(seen["keysClosed"], "1");
}

TEST_F(SaverWindowProcedures, ATickShowsTheLastPictureUntilItDrawsTheNextWithoutBlackBetween)
{
    std::vector<uint32_t> red(1000 * 750, 0xFF0000), blue(1000 * 750, 0x0000FF);
    WriteSaverSettings(0, "1000000", {WriteTempFile("red.bmp", WriteBmp(MakeBmp({1000, 750, red}, 24, false))),
                                      WriteTempFile("blue.bmp", WriteBmp(MakeBmp({1000, 750, blue}, 24, false)))});
    ChildProcess child("SecondTickWatched");
    ASSERT_EQ(child.WaitForExit(), 0u);
    // The centre goes from red straight to blue (colours as 0xBBGGRR).
    EXPECT_EQ(child.Observed()["colours"], "ff ff0000 ");
}

TEST_F(SaverWindowProcedures, ADisplayChangeTakesTheNewLayoutAtOnce)
{
    StoreOneRedPicture();
    ChildProcess child("DisplayChange");
    ASSERT_EQ(child.WaitForExit(), 0u);
    Observations seen = child.Observed();
    EXPECT_EQ(seen["coversTheScreen"], "1");
    EXPECT_EQ(seen["centre"], std::to_string(RGB(255, 0, 0))) << "the picture at once, in the new layout";
}

TEST_F(SaverWindowProcedures, APreviewShowsItsFirstPictureWithoutATick)
{
    StoreOneRedPicture();
    ChildProcess child("PreviewFirstPicture");
    ASSERT_EQ(child.WaitForExit(), 0u);
    Observations seen = child.Observed();
    EXPECT_EQ(seen["waiting"], "0");
    EXPECT_EQ(seen["centre"], std::to_string(RGB(255, 0, 0)));
}

} // namespace
