// The built saver program run as a separate process, and the screen it draws on.
#pragma once

#include "tests/common/BmpWriter.h"

#include <windows.h>

#include <string>
#include <vector>

class SaverProcess {
public:
    // Starts `program tail`; program defaults to the built velmarin.scr.
    explicit SaverProcess(const std::string& tail, const std::string& program = "");
    ~SaverProcess();
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    DWORD Id() const { return id; }
    // The exit code, or STILL_ACTIVE when the process did not end within the time.
    DWORD WaitForExit(DWORD milliseconds);
    // The process's visible top-level or child window of the saver class with that title.
    HWND WaitForWindow(const char* title, DWORD milliseconds = 20000);

private:
    HANDLE process = nullptr;
    DWORD id = 0;
};

std::string SaverProgramPath();

// The whole screen as 0xRRGGBB pixels, top row first.
Picture CaptureScreen();

// The settings the next saver run reads: a fresh user key with these values.
void WriteSaverSettings(DWORD flags, const char* updateTime, const std::vector<std::string>& paths);
