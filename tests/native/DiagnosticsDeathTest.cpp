// The process-ending reports, observed through gtest's death tests.
#include "shared/cgen.h"
#include "tests/common/AllocationFailure.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using ::testing::ExitedWithCode;

TEST(DiagnosticsDeathTest, FatalErrorExitsWithMinusOne)
{
    EXPECT_EXIT(FatalError("shared", 23, "Registry problem"), ExitedWithCode(255), "shared:23 Registry problem");
}

TEST(DiagnosticsDeathTest, OutOfMemoryReportsItsFixedMessageAndExits)
{
    EXPECT_EXIT((FailNextAllocation(), RMalloc("x.cpp", 1, 16)), ExitedWithCode(255), "^RMalloc:: Out of memory\n$");
    EXPECT_EXIT({
        void* block = RMalloc("x.cpp", 1, 8);
        FailNextAllocation();
        RRealloc("x.cpp", 1, block, 4096);
    }, ExitedWithCode(255), "^RRealloc:: Out of memory\n$");
    EXPECT_EXIT(RRealloc("x.cpp", 1, RMalloc("x.cpp", 1, 8), 0), ExitedWithCode(255), "^RRealloc:: Out of memory\n$");
    EXPECT_EXIT(RNew(nullptr, "x.cpp", 1), ExitedWithCode(255), "^RNew: Out of memory\n$");
    EXPECT_EXIT({
        FailNextAllocation();
        cArray array;
    }, ExitedWithCode(255), "^cArray::cArray - Out of memory\n$");
    EXPECT_EXIT({
        cArray array;
        for (int i = 0; i < 16; ++i) {
            array.Add(&array);
        }
        FailNextAllocation();
        array.Add(&array);
    }, ExitedWithCode(255), "^cArray::Add - Out of memory\n$");
    EXPECT_EXIT({
        cArray array;
        array.Add(&array);
        FailNextAllocation();
        array.Sort([](const void*, const void*) { return 0; });
    }, ExitedWithCode(255), "^cArray::Sort - Out of memory\n$");
}

TEST(DiagnosticsDeathTest, WarningFormatsAndTruncatesLongTexts)
{
    EXPECT_EXIT({
        Warning("SSaver", 131, "Could not open file");
        exit(0);
    }, ExitedWithCode(0), "^Warning at SSaver:131\nCould not open file\n$");
    std::string longText(3000, 'x');
    std::string expected = "^Warning at f:1\n" + std::string(1023 - 15, 'x') + "$";
    EXPECT_EXIT({
        Warning("f", 1, longText.c_str());
        exit(0);
    }, ExitedWithCode(0), expected);
}

} // namespace
