// Processes started by tests, and finding their windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A process started by a test; ended at the latest when the object goes.
class TestProcess {
public:
    TestProcess(const std::string& program, const std::string& arguments, DWORD creationFlags);
    ~TestProcess();
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;

    bool Started() const { return process != nullptr; }
    DWORD Id() const { return id; }
    // The exit code, or STILL_ACTIVE when it did not end within the time.
    DWORD WaitForExit(DWORD milliseconds);
    // The process's visible window (top-level or child) of that class and title, waiting
    // for it; null when the process ends first.
    HWND WaitForWindow(const char* className, const char* title, DWORD milliseconds);

private:
    HANDLE process = nullptr;
    DWORD id = 0;
};

// This program's visible window of that class and title, waiting for it.
HWND WaitForOwnWindow(const char* className, const char* title, DWORD milliseconds);

typedef int (*ChildScenarioFunction)(const std::vector<std::string>& arguments);

// Registers a scenario that `--child name args...` runs instead of the tests.
struct ChildScenario {
    ChildScenario(const char* name, ChildScenarioFunction function);
};
#define CHILD_SCENARIO(name)                                                                \
    static int name##Scenario(const std::vector<std::string>& arguments);                  \
    static ChildScenario name##Registration(#name, name##Scenario);                         \
    static int name##Scenario([[maybe_unused]] const std::vector<std::string>& arguments)

// The first rows of this process's console, each trimmed and followed by "|"; empty rows when
// the process has no console.
std::string ConsoleText(short rows);

// Runs the scenario named by argv when the program was started as a child.
bool RunChildScenarioIfAsked(int argc, char** argv, int* exitCode);

// This program started again with `--child scenario arguments...`, without a console.
class ChildProcess : public TestProcess {
public:
    ChildProcess(const std::string& scenario, const std::vector<std::string>& arguments);
};
