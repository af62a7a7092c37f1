// Fatal errors, warnings and out-of-memory reports, observed from outside the process
// that raises them: its message box, its console and its exit code.
#include "Harness.h"
#include "shared/cgen.h"
#include "tests/common/AllocationFailure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

std::string Describe(COORD size)
{
    return std::to_string(size.X) + "x" + std::to_string(size.Y);
}

CHILD_SCENARIO(FatalError)
{
    atexit([] { Observe("exitHandlers", "ran"); });
    FatalError("shared", 23, "Registry problem");
}

CHILD_SCENARIO(Warnings)
{
    Warning("SSaver", 131, "first");
    ConsoleScreen console;
    Observe("sizeAfterFirst", Describe(console.Info().dwSize));
    SetConsoleScreenBufferSize(console.Handle(), COORD{80, 600});
    Warning("shared", 61, "Could not close machine key");
    Observe("sizeAfterSecond", Describe(console.Info().dwSize));
    Observe("rows", console.Rows(5));
    return 0;
}

CHILD_SCENARIO(LongWarning)
{
    std::string text(3000, 'x');
    Warning("f", 1, text.c_str());
    ConsoleScreen console;
    COORD cursor = console.Info().dwCursorPosition;
    Observe("cursor", std::to_string(cursor.X) + "," + std::to_string(cursor.Y));
    Observe("first", console.Row(0));
    Observe("last", console.Row(13));
    return 0;
}

CHILD_SCENARIO(OutOfMemory)
{
    atexit([] { Observe("rows", ConsoleScreen().Rows(2)); });
    const std::string& place = arguments.at(0);
    if (place == "RMalloc") {
        RMalloc(__FILE__, __LINE__, SIZE_MAX / 2);
    } else if (place == "RRealloc") {
        RRealloc(__FILE__, __LINE__, RMalloc(__FILE__, __LINE__, 16), SIZE_MAX / 2);
    } else if (place == "RNew") {
        RNew(nullptr, __FILE__, __LINE__);
    } else if (place == "cArray") {
        FailNextAllocation();
        cArray array;
    } else if (place == "Add") {
        cArray array;
        for (int i = 0; i < 16; ++i) {
            array.Add(&array);
        }
        FailNextAllocation();
        array.Add(&array);
    }
    return 0;
}

CHILD_SCENARIO(WarningToTheDebugger)
{
    SendWarningsToDebugger();
    Warning("SSaver", 71, "Corrupt registry");
    DWORD mode;
    Observe("console", GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) ? "open" : "none");
    return 0;
}

// The window's thread and the picture thread both warn; each writes its own text.
const int kWarningsPerThread = 300;
const struct {
    const char* source;
    char fill;
} kWarningThreads[] = {{"window", 'v'}, {"worker", 'k'}};

CHILD_SCENARIO(WarningsFromTwoThreads)
{
    SendWarningsToDebugger();
    auto warn = [](const char* source, char fill) {
        std::string text(200, fill);
        for (int i = 0; i < kWarningsPerThread; ++i) {
            Warning(source, i, text.c_str());
        }
    };
    std::thread worker(warn, kWarningThreads[1].source, kWarningThreads[1].fill);
    warn(kWarningThreads[0].source, kWarningThreads[0].fill);
    worker.join();
    Warning("end", 0, "done");
    return 0;
}

// The reports in `text`, each from one "Warning at " to the next.
std::vector<std::string> SplitReports(const std::string& text)
{
    std::vector<std::string> reports;
    const std::string start = "Warning at ";
    for (size_t at = text.find(start); at != std::string::npos;) {
        size_t next = text.find(start, at + 1);
        reports.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    return reports;
}

TEST(Diagnostics, FatalErrorShowsItsBoxThenExitsThroughTheNormalPath)
{
    ChildProcess child("FatalError");
    ASSERT_TRUE(child.Started());
    HWND box = child.WaitForWindow("#32770", "Fatal Error");
    ASSERT_NE(box, nullptr);
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "shared:23 Registry problem");
    EXPECT_TRUE(Settle(box));
    EXPECT_EQ(child.WaitForExit(0), STILL_ACTIVE) << "the box must block until dismissed";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(child.WaitForExit(), kExitMinusOne);
    EXPECT_EQ(child.Observed()["exitHandlers"], "ran");
}

TEST(Diagnostics, WarningsShareOneConsoleSetUpOnFirstUse)
{
    ChildProcess child("Warnings");
    ASSERT_EQ(child.WaitForExit(), 0u);
    Observations seen = child.Observed();
    EXPECT_EQ(seen["sizeAfterFirst"], "80x512");
    EXPECT_EQ(seen["sizeAfterSecond"], "80x600");
    EXPECT_EQ(seen["rows"], "Warning at SSaver:131|first|Warning at shared:61|Could not close machine key||");
}

// A console window would take the foreground from the full-screen saver, which then closes.
TEST(Diagnostics, WarningsSentToTheDebuggerOpenNoConsole)
{
    DebuggerOutput debugger;
    ChildProcess child("WarningToTheDebugger");
    ASSERT_EQ(child.WaitForExit(), 0u);
    EXPECT_EQ(debugger.Of(child.Id(), "registry\n"), "Warning at SSaver:71\nCorrupt registry\n");
    EXPECT_EQ(child.Observed()["console"], "none");
}

TEST(Diagnostics, WarningsFromTwoThreadsAtOnceEachArriveWhole)
{
    DebuggerOutput debugger;
    ChildProcess child("WarningsFromTwoThreads");
    ASSERT_EQ(child.WaitForExit(), 0u);
    std::vector<std::string> reports = SplitReports(debugger.Of(child.Id(), "done\n"));
    std::vector<std::string> expected = {"Warning at end:0\ndone\n"};
    for (const auto& thread : kWarningThreads) {
        for (int i = 0; i < kWarningsPerThread; ++i) {
            expected.push_back("Warning at " + std::string(thread.source) + ":" + std::to_string(i) + "\n" +
                               std::string(200, thread.fill) + "\n");
        }
    }
    std::sort(reports.begin(), reports.end());
    std::sort(expected.begin(), expected.end());
    auto differ = std::mismatch(reports.begin(), reports.end(), expected.begin(), expected.end());
    EXPECT_EQ(reports.size(), expected.size());
    if (differ.first != reports.end()) {
        ADD_FAILURE() << "a report not as written: " << *differ.first;
    }
}

TEST(Diagnostics, LongWarningIsCutAtTheBufferSize)
{
    ChildProcess child("LongWarning");
    ASSERT_EQ(child.WaitForExit(), 0u);
    // 1023 characters: the 15 of the first line, then 1008 of the text (12 rows and 48).
    Observations seen = child.Observed();
    EXPECT_EQ(seen["cursor"], "48,13");
    EXPECT_EQ(seen["first"], "Warning at f:1");
    EXPECT_EQ(seen["last"], std::string(48, 'x'));
}

TEST(Diagnostics, OutOfMemoryWritesItsMessageWithoutABoxAndExits)
{
    const std::pair<const char*, const char*> places[] = {
        {"RMalloc", "RMalloc:: Out of memory"},
        {"RRealloc", "RRealloc:: Out of memory"},
        {"RNew", "RNew: Out of memory"},
        {"cArray", "cArray::cArray - Out of memory"},
        {"Add", "cArray::Add - Out of memory"},
    };
    for (const auto& place : places) {
        ChildProcess child("OutOfMemory", {place.first});
        EXPECT_EQ(child.WaitForExit(), kExitMinusOne) << place.first;
        EXPECT_EQ(child.Observed()["rows"], std::string(place.second) + "||") << place.first;
    }
}

} // namespace
