// The test program started again as a child process running one named scenario.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

typedef int (*ChildScenarioFunction)(const std::vector<std::string>& arguments);

// Registers a scenario that `--child name args...` runs instead of the tests.
struct ChildScenario {
    ChildScenario(const char* name, ChildScenarioFunction function);
};
#define CHILD_SCENARIO(name)                                                   \
    static int name##Scenario(const std::vector<std::string>& arguments);     \
    static ChildScenario name##Registration(#name, name##Scenario);            \
    static int name##Scenario([[maybe_unused]] const std::vector<std::string>& arguments)

// Runs the scenario named by argv when the program was started as a child.
bool RunChildScenarioIfAsked(int argc, char** argv, int* exitCode);

class ChildProcess {
public:
    // Starts this program with `--child scenario arguments...`, without a console.
    ChildProcess(const std::string& scenario, const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process != nullptr; }
    DWORD Id() const { return id; }
    // The exit code, or STILL_ACTIVE when it did not end within the time.
    DWORD WaitForExit(DWORD milliseconds);

private:
    HANDLE process = nullptr;
    DWORD id = 0;
};

// The first top-level window of the process with that class and title, waiting for it.
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title, DWORD milliseconds);
