#include "ChildProcess.h"

#include <cstring>
#include <map>

TestProcess::TestProcess(const std::string& program, const std::string& arguments, DWORD creationFlags)
{
    std::string commandLine = "\"" + program + "\" " + arguments;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        process = info.hProcess;
        id = info.dwProcessId;
    }
}

TestProcess::~TestProcess()
{
    if (process != nullptr) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
}

DWORD TestProcess::WaitForExit(DWORD milliseconds)
{
    DWORD code = STILL_ACTIVE;
    if (process != nullptr && WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    }
    return code;
}

namespace {
struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {}, title[128] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (owner == search->processId && IsWindowVisible(window) && strcmp(className, search->className) == 0 &&
        strcmp(title, search->title) == 0) {
        search->found = window;
        return FALSE;
    }
    EnumChildWindows(window, MatchWindow, parameter);
    return search->found == nullptr;
}

// Searches until found, the time is up, or `process` (when given) has ended. Messages of
// the calling thread keep being dispatched: its windows may be the parent of the one sought.
HWND WaitForWindowOf(DWORD processId, HANDLE process, const char* className, const char* title,
                     DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        WindowSearch search = {processId, className, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        if (process != nullptr && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            return nullptr;
        }
        Sleep(30);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}
} // namespace

HWND TestProcess::WaitForWindow(const char* className, const char* title, DWORD milliseconds)
{
    return WaitForWindowOf(id, process, className, title, milliseconds);
}

HWND WaitForOwnWindow(const char* className, const char* title, DWORD milliseconds)
{
    return WaitForWindowOf(GetCurrentProcessId(), nullptr, className, title, milliseconds);
}

std::string ConsoleText(short rows)
{
    HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    std::string text;
    for (SHORT row = 0; row < rows; ++row) {
        char line[81] = {};
        DWORD read = 0;
        ReadConsoleOutputCharacterA(console, line, 80, COORD{0, row}, &read);
        std::string trimmed(line, read);
        trimmed.erase(trimmed.find_last_not_of(' ') + 1);
        text += trimmed + "|";
    }
    if (console != INVALID_HANDLE_VALUE) {
        CloseHandle(console);
    }
    return text;
}

static std::map<std::string, ChildScenarioFunction>& Scenarios()
{
    static std::map<std::string, ChildScenarioFunction> scenarios;
    return scenarios;
}

ChildScenario::ChildScenario(const char* name, ChildScenarioFunction function)
{
    Scenarios()[name] = function;
}

bool RunChildScenarioIfAsked(int argc, char** argv, int* exitCode)
{
    if (argc < 3 || strcmp(argv[1], "--child") != 0) {
        return false;
    }
    auto found = Scenarios().find(argv[2]);
    *exitCode = found == Scenarios().end() ? 99 : found->second(std::vector<std::string>(argv + 3, argv + argc));
    return true;
}

static std::string ThisProgram()
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    return program;
}

static std::string ChildArguments(const std::string& scenario, const std::vector<std::string>& arguments)
{
    std::string line = "--child " + scenario;
    for (const std::string& argument : arguments) {
        line += " \"" + argument + "\"";
    }
    return line;
}

ChildProcess::ChildProcess(const std::string& scenario, const std::vector<std::string>& arguments)
    : TestProcess(ThisProgram(), ChildArguments(scenario, arguments), DETACHED_PROCESS)
{
}
