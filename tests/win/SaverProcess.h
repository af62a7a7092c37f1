// The built saver program run as a separate process, and the screen it draws on.
#pragma once

#include "Harness.h"
#include "tests/common/BmpWriter.h"

#include <windows.h>

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
// The settings the next saver run reads: a fresh user key with these values.
void WriteSaverSettings(DWORD flags, const char* updateTime, const std::vector<std::string>& paths);

// The monitors of the saver window whose picture is not drawn or whose next one is not
// prepared; -1 when the window does not answer within the time.
LRESULT PicturesWaiting(HWND window, DWORD milliseconds = kTimeout);
// Waits until every tick of the saver window has drawn and its next pictures are prepared,
// dispatching this thread's messages (the window may be this thread's).
bool WaitForPictures(HWND window);

// Presses and releases a key, as real input to the foreground window.
void PressKey(WORD key);
// Moves the cursor and lets the saver see the movement.
void MoveCursor(HWND window, int x, int y);
