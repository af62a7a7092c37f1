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

CHILD_SCENARIO(SaverWindow)
{
    WNDCLASSA saverClass = {};
    saverClass.lpfnWndProc = SaverClassProc;
    saverClass.hInstance = GetModuleHandleA(nullptr);
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = "WindowsScreenSaverClass";
    RegisterClassA(&saverClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "WindowsScreenSaverClass", "Screen Saver",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
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
    seen << "keysClosed=" << KeysAreClosed() << "\n";
    std::ofstream(arguments.at(0), std::ios::binary) << seen.str();
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

} // namespace
