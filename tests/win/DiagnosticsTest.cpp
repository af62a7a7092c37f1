// Fatal errors, warnings and out-of-memory reports, observed from outside the process
// that raises them: its message box, its console and its exit code.
#include "ChildProcess.h"
#include "shared/cgen.h"
#include "tests/common/AllocationFailure.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

const DWORD kExitMinusOne = 0xFFFFFFFF;
const DWORD kTimeout = 20000;

std::string resultPath;

void WriteResult(const std::string& text)
{
    std::ofstream(resultPath, std::ios::binary) << text;
}

HANDLE ConsoleOutput()
{
    return CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

std::string ConsoleRow(HANDLE console, SHORT row)
{
    char text[81] = {};
    DWORD read = 0;
    ReadConsoleOutputCharacterA(console, text, 80, COORD{0, row}, &read);
    std::string line(text, read);
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

COORD BufferSize(HANDLE console)
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(console, &info);
    return info.dwSize;
}

std::string Describe(COORD size)
{
    return std::to_string(size.X) + "x" + std::to_string(size.Y);
}

CHILD_SCENARIO(FatalError)
{
    resultPath = arguments.at(0);
    atexit([] { WriteResult("exit handlers ran"); });
    FatalError("shared", 23, "Registry problem");
}

CHILD_SCENARIO(Warnings)
{
    resultPath = arguments.at(0);
    Warning("SSaver", 131, "first");
    HANDLE console = ConsoleOutput();
    std::string sizeAfterFirst = Describe(BufferSize(console));
    SetConsoleScreenBufferSize(console, COORD{80, 600});
    Warning("shared", 61, "Could not close machine key");
    std::ostringstream result;
    result << sizeAfterFirst << "|" << Describe(BufferSize(console));
    for (SHORT row = 0; row < 5; ++row) {
        result << "|" << ConsoleRow(console, row);
    }
    WriteResult(result.str());
    return 0;
}

CHILD_SCENARIO(LongWarning)
{
    resultPath = arguments.at(0);
    std::string text(3000, 'x');
    Warning("f", 1, text.c_str());
    HANDLE console = ConsoleOutput();
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    GetConsoleScreenBufferInfo(console, &info);
    std::ostringstream result;
    result << info.dwCursorPosition.X << "," << info.dwCursorPosition.Y << "|" << ConsoleRow(console, 0) << "|"
           << ConsoleRow(console, 13);
    WriteResult(result.str());
    return 0;
}

CHILD_SCENARIO(OutOfMemory)
{
    resultPath = arguments.at(1);
    atexit([] {
        HANDLE console = ConsoleOutput();
        WriteResult(ConsoleRow(console, 0) + "|" + ConsoleRow(console, 1));
    });
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

TEST(Diagnostics, FatalErrorShowsItsBoxThenExitsThroughTheNormalPath)
{
    std::string result = TempPath("fatal");
    ChildProcess child("FatalError", {result});
    ASSERT_TRUE(child.Started());
    HWND box = child.WaitForWindow("#32770", "Fatal Error", kTimeout);
    ASSERT_NE(box, nullptr);
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "shared:23 Registry problem");
    EXPECT_EQ(child.WaitForExit(500), STILL_ACTIVE) << "the box must block until dismissed";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(child.WaitForExit(kTimeout), kExitMinusOne);
    EXPECT_EQ(ReadTextFile(result), "exit handlers ran");
}

TEST(Diagnostics, WarningsShareOneConsoleSetUpOnFirstUse)
{
    std::string result = TempPath("warnings");
    ChildProcess child("Warnings", {result});
    ASSERT_EQ(child.WaitForExit(kTimeout), 0u);
    EXPECT_EQ(ReadTextFile(result),
              "80x512|80x600|Warning at SSaver:131|first|Warning at shared:61|Could not close machine key|");
}

TEST(Diagnostics, LongWarningIsCutAtTheBufferSize)
{
    std::string result = TempPath("long");
    ChildProcess child("LongWarning", {result});
    ASSERT_EQ(child.WaitForExit(kTimeout), 0u);
    // 1023 characters: the 15 of the first line, then 1008 of the text (12 rows and 48).
    EXPECT_EQ(ReadTextFile(result), "48,13|Warning at f:1|" + std::string(48, 'x'));
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
        std::string result = TempPath("oom");
        ChildProcess child("OutOfMemory", {place.first, result});
        EXPECT_EQ(child.WaitForExit(kTimeout), kExitMinusOne) << place.first;
        EXPECT_EQ(ReadTextFile(result), std::string(place.second) + "|") << place.first;
    }
}

} // namespace
