#include "Harness.h"

#include "tests/common/TestFiles.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

void PumpMessages(HWND dialog)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog == nullptr || !IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= milliseconds) {
            return false;
        }
        PumpMessages();
        Sleep(10);
    }
    return true;
}

// A thread handles the messages sent to it before it takes the next posted one, so each
// answered round trip lets at least one more posted message through.
bool Settle(HWND window)
{
    const int kRounds = 16;
    bool ownThread = GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
    for (int round = 0; round < kRounds; ++round) {
        if (ownThread) {
            PumpMessages();
        }
        DWORD_PTR answer = 0;
        if (!IsWindow(window) || SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeout, &answer) == 0) {
            return false;
        }
    }
    return true;
}

TestProcess::TestProcess(const std::string& program, const std::string& arguments, DWORD creationFlags)
{
    std::string commandLine = "\"" + program + "\" " + arguments;
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Wine's process creation fails now and then on a busy machine; the failure is shown and
    // tried again, a bounded number of times.
    const int kAttempts = 3;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                           nullptr, &startup, &info)) {
            CloseHandle(info.hThread);
            process = info.hProcess;
            id = info.dwProcessId;
            return;
        }
        fprintf(stderr, "starting %s failed with error %lu (attempt %d of %d)\n", program.c_str(), GetLastError(),
                attempt, kAttempts);
        Sleep(200);
    }
}

TestProcess::~TestProcess()
{
    if (process != nullptr) {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, kTimeout);
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

// Searches until found, the time is up, or `process` (when given) has ended. The calling
// thread's windows may be the parent of the one sought: WaitUntil keeps them answering.
HWND WaitForWindowOf(DWORD processId, HANDLE process, const char* className, const char* title,
                     DWORD milliseconds)
{
    WindowSearch search = {processId, className, title, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr || (process != nullptr && WaitForSingleObject(process, 0) == WAIT_OBJECT_0);
        },
        milliseconds);
    return search.found;
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

static std::map<std::string, ChildScenarioFunction>& Scenarios()
{
    static std::map<std::string, ChildScenarioFunction> scenarios;
    return scenarios;
}

ChildScenario::ChildScenario(const char* name, ChildScenarioFunction function)
{
    Scenarios()[name] = function;
}

static std::string observationPath;

bool RunChildScenarioIfAsked(int argc, char** argv, int* exitCode)
{
    if (argc < 4 || strcmp(argv[1], "--child") != 0) {
        return false;
    }
    observationPath = argv[3];
    auto found = Scenarios().find(argv[2]);
    *exitCode = found == Scenarios().end() ? 99 : found->second(std::vector<std::string>(argv + 4, argv + argc));
    return true;
}

// One "name=value" line each.
void Observe(const std::string& name, const std::string& value)
{
    std::ofstream(observationPath, std::ios::binary | std::ios::app) << name << "=" << value << "\n";
}

void Observe(const std::string& name, long long value)
{
    Observe(name, std::to_string(value));
}

static std::string ThisProgram()
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    return program;
}

static std::string ChildArguments(const std::string& scenario, const std::string& resultPath,
                                  const std::vector<std::string>& arguments)
{
    std::string line = "--child " + scenario + " \"" + resultPath + "\"";
    for (const std::string& argument : arguments) {
        line += " \"" + argument + "\"";
    }
    return line;
}

static std::string FreshResultPath(const std::string& scenario)
{
    return TempPath("child-" + scenario);
}

ChildProcess::ChildProcess(const std::string& scenario, const std::vector<std::string>& arguments)
    : ChildProcess(scenario, FreshResultPath(scenario), arguments)
{
}

ChildProcess::ChildProcess(const std::string& scenario, const std::string& result,
                           const std::vector<std::string>& arguments)
    : TestProcess(ThisProgram(), ChildArguments(scenario, result, arguments), DETACHED_PROCESS), resultPath(result)
{
}

Observations ChildProcess::Observed() const
{
    Observations observed;
    std::istringstream lines(ReadTextFile(resultPath));
    std::string line;
    while (std::getline(lines, line)) {
        size_t equals = line.find('=');
        observed[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return observed;
}

ConsoleScreen::ConsoleScreen()
    : output(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr))
{
}

ConsoleScreen::~ConsoleScreen()
{
    if (output != INVALID_HANDLE_VALUE) {
        CloseHandle(output);
    }
}

std::string ConsoleScreen::Row(SHORT row) const
{
    char text[81] = {};
    DWORD read = 0;
    ReadConsoleOutputCharacterA(output, text, 80, COORD{0, row}, &read);
    std::string line(text, read);
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

std::string ConsoleScreen::Rows(SHORT count) const
{
    std::string rows;
    for (SHORT row = 0; row < count; ++row) {
        rows += Row(row) + "|";
    }
    return rows;
}

CONSOLE_SCREEN_BUFFER_INFO ConsoleScreen::Info() const
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(output, &info);
    return info;
}

static const DWORD kDebuggerBufferBytes = 4096;

DebuggerOutput::DebuggerOutput()
    : bufferReady(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY")),
      dataReady(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY")),
      mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kDebuggerBufferBytes, "DBWIN_BUFFER")),
      buffer(static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kDebuggerBufferBytes))),
      collector(&DebuggerOutput::Collect, this)
{
}

DebuggerOutput::~DebuggerOutput()
{
    stopping = true;
    collector.join();
    UnmapViewOfFile(buffer);
    CloseHandle(mapping);
    CloseHandle(dataReady);
    CloseHandle(bufferReady);
}

// The buffer holds the writer's process id, then its zero-terminated text.
void DebuggerOutput::Collect()
{
    SetEvent(bufferReady);
    while (!stopping) {
        if (WaitForSingleObject(dataReady, 50) != WAIT_OBJECT_0) {
            continue;
        }
        DWORD writer;
        memcpy(&writer, buffer, sizeof writer);
        {
            std::lock_guard<std::mutex> hold(textsLock);
            texts[writer] += std::string(buffer + sizeof writer, strnlen(buffer + sizeof writer, kDebuggerBufferBytes - sizeof writer));
        }
        SetEvent(bufferReady);
    }
}

std::string DebuggerOutput::Of(DWORD id, const std::string& expected)
{
    std::string written;
    WaitUntil([&] {
        std::lock_guard<std::mutex> hold(textsLock);
        written = texts[id];
        return written.find(expected) != std::string::npos;
    });
    return written;
}
