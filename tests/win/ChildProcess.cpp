#include "ChildProcess.h"

#include <cstring>
#include <map>

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

static std::string Quoted(const std::string& argument)
{
    return "\"" + argument + "\"";
}

ChildProcess::ChildProcess(const std::string& scenario, const std::vector<std::string>& arguments)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = Quoted(program) + " --child " + scenario;
    for (const std::string& argument : arguments) {
        commandLine += " " + Quoted(argument);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    if (CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        process = info.hProcess;
        id = info.dwProcessId;
    }
}

ChildProcess::~ChildProcess()
{
    if (process != nullptr) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
        }
        CloseHandle(process);
    }
}

DWORD ChildProcess::WaitForExit(DWORD milliseconds)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0) {
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
    if (owner == search->processId && strcmp(className, search->className) == 0 && strcmp(title, search->title) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        WindowSearch search = {processId, className, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(50);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}
