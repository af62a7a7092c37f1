#include "SaverProcess.h"

#include "RegistryFixture.h"
#include "tests/common/TestDevice.h"

#include <cstring>

std::string SaverProgramPath()
{
    return VELMARIN_SCR_PATH;
}

SaverProcess::SaverProcess(const std::string& tail, const std::string& program)
{
    std::string path = program.empty() ? SaverProgramPath() : program;
    std::string commandLine = "\"" + path + "\" " + tail;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(path.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        process = info.hProcess;
        id = info.dwProcessId;
    }
}

SaverProcess::~SaverProcess()
{
    if (process != nullptr) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
}

DWORD SaverProcess::WaitForExit(DWORD milliseconds)
{
    DWORD code = STILL_ACTIVE;
    if (process != nullptr && WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    }
    return code;
}

namespace {
struct SaverWindowSearch {
    DWORD processId;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchSaverWindow(HWND window, LPARAM parameter)
{
    SaverWindowSearch* search = reinterpret_cast<SaverWindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {}, title[64] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (owner == search->processId && strcmp(className, "WindowsScreenSaverClass") == 0 &&
        strcmp(title, search->title) == 0) {
        search->found = window;
        return FALSE;
    }
    EnumChildWindows(window, MatchSaverWindow, parameter);
    return search->found == nullptr;
}
} // namespace

HWND SaverProcess::WaitForWindow(const char* title, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        SaverWindowSearch search = {id, title, nullptr};
        EnumWindows(MatchSaverWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && IsWindowVisible(search.found)) {
            return search.found;
        }
        // Windows of this thread may be the saver's parent: keep them answering.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) {
            return nullptr;
        }
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

Picture CaptureScreen()
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    Picture picture = ReadBackBitmap(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

void WriteSaverSettings(DWORD flags, const char* updateTime, const std::vector<std::string>& paths)
{
    DeleteSettingsKeys();
    OpenKeys();
    WriteDwordValue(userKey, kFlagsValue, flags);
    WriteTextValue(userKey, kUpdateTimeValue, updateTime);
    WriteDwordValue(userKey, kNumFilesValue, static_cast<DWORD>(paths.size()));
    for (DWORD i = 0; i < paths.size(); ++i) {
        char name[16];
        ImageValueName(name, i);
        WriteTextValue(userKey, name, paths[i].c_str());
    }
    CloseKeys();
}
