// Process start-up, the command-line modes and the saver window.
#pragma once

#include <windows.h>

[[noreturn]] void SaverStartup();
int SaverMain(HINSTANCE instance, const char* tail);
// From here on, a fault nothing else handles switches the running state off and ends the process.
void InstallExceptionGuard();
int RunSaverWindow(HWND parent);

int OpenConfiguration(HWND owner);
int ChangeSaverPassword(const char* text);
