// The saver window's procedures in one process: a child creates the window as the host
// does, drives it with real messages and writes down what it saw.
#include "ChildProcess.h"
#include "RegistryFixture.h"
#include "SaverProcess.h"
#include "host/SaverWindow.h"
#include "screensaver/shared.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

bool TakePosted(HWND window, UINT message)
{
    MSG taken;
    return PeekMessageA(&taken, window, message, message, PM_REMOVE) != 0;
}

// Dispatches messages for a while and counts the timer ticks with id 1 among them.
int CountTicks(HWND window, DWORD milliseconds)
{
    int ticks = 0;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.hwnd == window && message.message == WM_TIMER && message.wParam == 1) {
                ++ticks;
            }
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
    return ticks;
}

// The saver window as the host makes it, 200 x 100; its class keeps no DC of its own, so
// that other threads can read the window.
HWND CreateSaverWindow()
{
    WNDCLASSA saverClass = {};
    saverClass.lpfnWndProc = SaverClassProc;
    saverClass.hInstance = GetModuleHandleA(nullptr);
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = "WindowsScreenSaverClass";
    RegisterClassA(&saverClass);
    return CreateWindowExA(WS_EX_TOPMOST, "WindowsScreenSaverClass", "Screen Saver",
                           WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 200, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

CHILD_SCENARIO(SaverWindow)
{
    HWND window = CreateSaverWindow();
    std::ostringstream seen;
    seen << "cursorHidden=" << (GetCursor() == nullptr) << "\n";
    seen << "setCursor=" << SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 0) << "\n";
    seen << "erase=" << SendMessageA(window, WM_ERASEBKGND, 0, 0) << "\n";
    seen << "ticksIn1s=" << CountTicks(window, 1000) << "\n";

    SendMessageA(window, WM_KEYUP, VK_SPACE, 0);
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    seen << "closeAfterRelease=" << TakePosted(window, WM_CLOSE) << "\n";
    SendMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    seen << "closeAfterPress=" << TakePosted(window, WM_CLOSE) << "\n";

    DestroyWindow(window);
    seen << "quit=" << TakePosted(nullptr, WM_QUIT) << "\n";
    seen << "ticksAfterDestroy=" << CountTicks(window, 500) << "\n";
    DWORD flags = 0;
    seen << "keysClosed=" << !ReadDwordValue(userKey, kFlagsValue, &flags) << "\n";
    std::ofstream(arguments.at(0), std::ios::binary) << seen.str();
    return 0;
}

// Reads the centre of the window from a second thread, which sees what the window's own
// drawing leaves there at every moment, until the colour `until` shows.
struct CentreWatch {
    HWND window;
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
        colour = GetPixel(dc, 100, 50);
        watch->seen.insert(colour);
        SetEvent(watch->firstSeen);
    } while (colour != watch->until && GetTickCount() - start < 10000);
    ReleaseDC(watch->window, dc);
    return 0;
}

// Two ticks; the colours the window's centre shows from before the second one until blue.
CHILD_SCENARIO(SecondTickWatched)
{
    HWND window = CreateSaverWindow();
    SendMessageA(window, WM_TIMER, 1, 0);
    CentreWatch watch = {window, RGB(0, 0, 255), CreateEventA(nullptr, TRUE, FALSE, nullptr), {}};
    HANDLE watcher = CreateThread(nullptr, 0, WatchCentre, &watch, 0, nullptr);
    WaitForSingleObject(watch.firstSeen, 10000);
    SendMessageA(window, WM_TIMER, 1, 0);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    CloseHandle(watch.firstSeen);
    std::ofstream out(arguments.at(0), std::ios::binary);
    out << "colours=";
    for (COLORREF colour : watch.seen) {
        out << std::hex << colour << " ";
    }
    DestroyWindow(window);
    return 0;
}

std::map<std::string, std::string> ReadObservations(const std::string& path)
{
    std::map<std::string, std::string> observations;
    std::istringstream lines(ReadTextFile(path));
    std::string line;
    while (std::getline(lines, line)) {
        size_t equals = line.find('=');
        observations[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return observations;
}

using SaverWindowProcedures = RegistryTest;

TEST_F(SaverWindowProcedures, CursorTimerInputAndTeardown)
{
    WriteSaverSettings(0, "250", {});
    std::string result = TempPath("window");
    ChildProcess child("SaverWindow", {result});
    ASSERT_EQ(child.WaitForExit(20000), 0u);
    std::map<std::string, std::string> seen = ReadObservations(result);
    EXPECT_EQ(seen["cursorHidden"], "1");
    EXPECT_EQ(seen["setCursor"], "1");
    EXPECT_EQ(seen["erase"], "1") << "the default's answer: erased with the class brush";
    EXPECT_GE(std::stoi(seen["ticksIn1s"]), 2) << "timer 1 at the stored 250 ms";
    EXPECT_LE(std::stoi(seen["ticksIn1s"]), 5);
    EXPECT_EQ(seen["closeAfterRelease"], "0");
    EXPECT_EQ(seen["closeAfterPress"], "1");
    EXPECT_EQ(seen["quit"], "1");
    EXPECT_EQ(seen["ticksAfterDestroy"], "0");
    EXPECT_EQ(seen["keysClosed"], "1");
}

TEST_F(SaverWindowProcedures, ATickShowsTheLastPictureUntilItDrawsTheNextWithoutBlackBetween)
{
    std::vector<uint32_t> red(1000 * 750, 0xFF0000), blue(1000 * 750, 0x0000FF);
    WriteSaverSettings(0, "1000000", {WriteTempFile("red.bmp", WriteBmp(MakeBmp({1000, 750, red}, 24, false))),
                                      WriteTempFile("blue.bmp", WriteBmp(MakeBmp({1000, 750, blue}, 24, false)))});
    std::string result = TempPath("watched");
    ChildProcess child("SecondTickWatched", {result});
    ASSERT_EQ(child.WaitForExit(20000), 0u);
    // The centre goes from red straight to blue (colours as 0xBBGGRR).
    EXPECT_EQ(ReadObservations(result)["colours"], "ff ff0000 ");
}

} // namespace
