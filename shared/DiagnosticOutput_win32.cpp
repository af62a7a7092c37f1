#include "DiagnosticOutput.h"

#include <windows.h>

static int consoleAllocated = 0;
static HANDLE consoleHandle = nullptr;

static void EnsureDiagnosticConsole()
{
    if (consoleAllocated) {
        return;
    }
    AllocConsole();
    consoleAllocated = 1;
    consoleHandle = GetStdHandle(STD_ERROR_HANDLE);
    COORD bufferSize = {80, 512};
    SetConsoleScreenBufferSize(consoleHandle, bufferSize);
}

void WriteDiagnosticText(const char* text, size_t length)
{
    EnsureDiagnosticConsole();
    DWORD written = 0;
    WriteFile(consoleHandle, text, static_cast<DWORD>(length), &written, nullptr);
}

void WriteDebuggerText(const char* text)
{
    OutputDebugStringA(text);
}

void ShowFatalErrorBox(const char* text)
{
    MessageBoxA(nullptr, text, "Fatal Error", MB_OK);
}
