// What every Windows test shares: the time limits, waiting for a condition while this
// thread's messages are dispatched, processes started by tests and their windows, child
// scenarios that hand their observations back, and reading this process's console.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The longest any single step of a test may take before the test fails.
const DWORD kTimeout = 20000;
// Exit code -1, as GetExitCodeProcess reports it.
const DWORD kExitMinusOne = 0xFFFFFFFF;

// Dispatches what is queued for this thread; messages of `dialog` get its keyboard handling.
void PumpMessages(HWND dialog = nullptr);
// Waits until the condition holds, dispatching this thread's messages; false on timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds = kTimeout);
// Returns once the thread of `window` has handled what was posted to it before the call, and
// what that posted in turn; false when the window is gone or does not answer. A check that
// nothing happened comes after this.
bool Settle(HWND window);

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
    DWORD WaitForExit(DWORD milliseconds = kTimeout);
    // The process's visible window (top-level or child) of that class and title, waiting
    // for it; null when the process ends first.
    HWND WaitForWindow(const char* className, const char* title, DWORD milliseconds = kTimeout);

private:
    HANDLE process = nullptr;
    DWORD id = 0;
};

// This program's visible window of that class and title, waiting for it.
HWND WaitForOwnWindow(const char* className, const char* title, DWORD milliseconds = kTimeout);

typedef int (*ChildScenarioFunction)(const std::vector<std::string>& arguments);

// Registers a scenario that `--child name result-file args...` runs instead of the tests.
struct ChildScenario {
    ChildScenario(const char* name, ChildScenarioFunction function);
};
#define CHILD_SCENARIO(name)                                                                \
    static int name##Scenario(const std::vector<std::string>& arguments);                  \
    static ChildScenario name##Registration(#name, name##Scenario);                         \
    static int name##Scenario([[maybe_unused]] const std::vector<std::string>& arguments)

// Runs the scenario named by argv when the program was started as a child.
bool RunChildScenarioIfAsked(int argc, char** argv, int* exitCode);

// In a child scenario: hands one observation to the test. Each is written at once, so exit
// handlers and paths that never return can observe too.
void Observe(const std::string& name, const std::string& value);
void Observe(const std::string& name, long long value);

typedef std::map<std::string, std::string> Observations;

// This program started again with `--child scenario`, without a console.
class ChildProcess : public TestProcess {
public:
    ChildProcess(const std::string& scenario, const std::vector<std::string>& arguments = {});
    // What the scenario observed so far, by name.
    Observations Observed() const;

private:
    ChildProcess(const std::string& scenario, const std::string& result, const std::vector<std::string>& arguments);
    std::string resultPath;
};

// This process's console screen, as warnings left it.
class ConsoleScreen {
public:
    ConsoleScreen();
    ~ConsoleScreen();
    ConsoleScreen(const ConsoleScreen&) = delete;
    ConsoleScreen& operator=(const ConsoleScreen&) = delete;

    HANDLE Handle() const { return output; }
    // One row without its trailing blanks.
    std::string Row(SHORT row) const;
    // The first `count` rows, each followed by "|".
    std::string Rows(SHORT count) const;
    CONSOLE_SCREEN_BUFFER_INFO Info() const;

private:
    HANDLE output;
};

// What processes write to the debugger output while the object lives, collected the way a
// debugger's monitor does (the DBWIN buffer and its two events).
class DebuggerOutput {
public:
    DebuggerOutput();
    ~DebuggerOutput();
    DebuggerOutput(const DebuggerOutput&) = delete;
    DebuggerOutput& operator=(const DebuggerOutput&) = delete;

    // What process `id` wrote, once it holds `expected` or the time is up.
    std::string Of(DWORD id, const std::string& expected);

private:
    void Collect();
    HANDLE bufferReady;
    HANDLE dataReady;
    HANDLE mapping;
    const char* buffer;
    std::atomic<bool> stopping{false};
    std::mutex textsLock;
    std::map<DWORD, std::string> texts;
    std::thread collector;
};
