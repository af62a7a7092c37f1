// The built saver program run as a separate process, and the screen it draws on.
#pragma once

#include "Harness.h"
#include "RegistryFixture.h"
#include "tests/common/BmpWriter.h"

#include <windows.h>

#include <cstdint>

#include <memory>
#include <string>
#include <vector>

std::string SaverProgramPath();

class SaverProcess : public TestProcess {
public:
    // Starts `program tail`; program defaults to the built velmarin.scr.
    explicit SaverProcess(const std::string& tail, const std::string& program = "")
        : TestProcess(program.empty() ? SaverProgramPath() : program, tail, 0)
    {
    }
    // The visible saver window with that title ("Screen Saver" or "Preview").
    HWND WaitForSaverWindow(const char* title, DWORD milliseconds = kTimeout)
    {
        return WaitForWindow("WindowsScreenSaverClass", title, milliseconds);
    }
};

// The primary monitor, which is the screen of the tests for one monitor.
RECT PrimaryArea();
// A part of the screen as 0xRRGGBB pixels, top row first.
Picture CaptureScreen(const RECT& area = PrimaryArea());
// The same once the drawing of a tick has reached it (two equal captures in a row).
Picture SettledScreen(const RECT& area = PrimaryArea());

const uint32_t kBlack = 0x000000;
// Every pixel different: its colour tells where in the picture it lies.
Picture PositionPicture(int width, int height);
Picture SolidPicture(int width, int height, uint32_t colour);
// The bounding box of the pixels that are not black.
RECT DrawnArea(const Picture& screen);
void ExpectArea(const RECT& area, LONG x, LONG y, LONG width, LONG height);
// Checks the screen shows `picture` cut to the screen at (x, y), black elsewhere.
void ExpectShownAt(const Picture& screen, const Picture& picture, int x, int y);

// The settings the next saver run reads: a fresh user key with these values.
void WriteSaverSettings(DWORD flags, const char* updateTime, const std::vector<std::string>& paths);

// Moves the cursor and lets the saver see the movement.
void MoveCursor(HWND window, int x, int y);

// Tests of the full-screen saver's drawing on the screen.
class SaverOnScreen : public RegistryTest {
protected:
    // Starts the saver on these pictures; ticks come only from the test.
    HWND Start(DWORD flags, const std::vector<std::string>& paths);
    void TearDown() override;
    std::unique_ptr<SaverProcess> saver;
};
