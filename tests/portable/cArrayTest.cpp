#include "shared/cgen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

int CompareBytes(const void* placed, const void* incoming)
{
    return strcmp(static_cast<const char*>(placed), static_cast<const char*>(incoming));
}

std::vector<std::string> Walk(cArray& array)
{
    std::unique_ptr<cArrayIter> iterator(array.NewIterator());
    std::vector<std::string> items;
    while (iterator->More()) {
        items.push_back(static_cast<const char*>(iterator->Next()));
    }
    return items;
}

TEST(cArray, AddReturnsSlotIndicesAndGrowsBySixteen)
{
    cArray array;
    EXPECT_EQ(array.Count(), 0);
    EXPECT_EQ(array.Removed(), 0);
    std::vector<int> values(40);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(array.Add(&values[i]), i);
    }
    EXPECT_EQ(array.Count(), 40);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(array.Get(i), &values[i]);
    }
}

TEST(cArray, NullItemsAreStoredButNotWalked)
{
    cArray array;
    char a[] = "a", b[] = "b";
    EXPECT_EQ(array.Add(a), 0);
    EXPECT_EQ(array.Add(nullptr), 1);
    EXPECT_EQ(array.Add(b), 2);
    EXPECT_EQ(array.Get(1), nullptr);
    EXPECT_EQ(Walk(array), (std::vector<std::string>{"a", "b"}));
}

TEST(cArray, TrailingNullItemsEndTheWalkWithoutReadingPastTheSlots)
{
    cArray array;
    char a[] = "a";
    array.Add(a);
    array.Add(nullptr);
    std::unique_ptr<cArrayIter> iterator(array.NewIterator());
    EXPECT_STREQ(static_cast<const char*>(iterator->Next()), "a");
    EXPECT_TRUE(iterator->More());
    EXPECT_EQ(iterator->Next(), nullptr);
    EXPECT_FALSE(iterator->More());
}

TEST(cArray, SortIsStableAndCallsCompareWithPlacedItemFirst)
{
    cArray array;
    char b[] = "b", firstA[] = "a", b2[] = "b2", secondA[] = "a";
    for (char* item : {b, firstA, b2, secondA}) {
        array.Add(item);
    }
    array.Sort(CompareBytes);
    EXPECT_EQ(array.Get(0), firstA);
    EXPECT_EQ(array.Get(1), secondA);
    EXPECT_EQ(array.Get(2), b);
    EXPECT_EQ(array.Get(3), b2);

    static std::vector<std::pair<std::string, std::string>> calls;
    calls.clear();
    cArray recorded;
    char x[] = "x", y[] = "y";
    recorded.Add(x);
    recorded.Add(y);
    recorded.Sort([](const void* placed, const void* incoming) {
        calls.emplace_back(static_cast<const char*>(placed), static_cast<const char*>(incoming));
        return 0;
    });
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(std::string("x"), std::string("y")));
}

TEST(cArray, SortOfManyItemsKeepsEveryItemAndOrdersThem)
{
    cArray array;
    std::vector<std::string> texts;
    for (int i = 0; i < 50; ++i) {
        texts.push_back(std::to_string((i * 37) % 50 + 100));
    }
    for (std::string& text : texts) {
        array.Add(&text[0]);
    }
    array.Sort(CompareBytes);
    std::vector<std::string> walked = Walk(array);
    ASSERT_EQ(walked.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(walked[i], std::to_string(100 + i));
    }
}

TEST(cArray, SortOfEmptyAndSingleArraysAndNullItems)
{
    cArray empty;
    empty.Sort(CompareBytes);
    EXPECT_EQ(empty.Count(), 0);
    std::unique_ptr<cArrayIter> iterator(empty.NewIterator());
    EXPECT_FALSE(iterator->More());

    cArray single;
    char only[] = "only";
    single.Add(only);
    single.Sort(CompareBytes);
    EXPECT_EQ(single.Count(), 1);
    EXPECT_EQ(single.Get(0), only);

    cArray withNull;
    char c[] = "c", a[] = "a";
    withNull.Add(c);
    withNull.Add(nullptr);
    withNull.Add(a);
    withNull.Sort(CompareBytes);
    EXPECT_EQ(withNull.Get(0), a);
    EXPECT_EQ(withNull.Get(1), c);
    EXPECT_EQ(withNull.Get(2), nullptr);
}

TEST(CheckedMemory, ZeroSizeBlocksAreDistinctAndNullFreeIsHarmless)
{
    void* first = RMalloc(__FILE__, __LINE__, 0);
    void* second = RMalloc(__FILE__, __LINE__, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second);
    char* grown = static_cast<char*>(RRealloc(__FILE__, __LINE__, first, 64));
    memset(grown, 'x', 64);
    RFree(__FILE__, __LINE__, grown);
    RFree(__FILE__, __LINE__, second);
    RFree(__FILE__, __LINE__, nullptr);
    RNew(&grown, __FILE__, __LINE__);
}

TEST(CheckedMemory, ReallocKeepsContentsAndNullBlockMeansNew)
{
    char* block = static_cast<char*>(RRealloc(__FILE__, __LINE__, nullptr, 4));
    memcpy(block, "abc", 4);
    block = static_cast<char*>(RRealloc(__FILE__, __LINE__, block, 4000));
    EXPECT_STREQ(block, "abc");
    RFree(__FILE__, __LINE__, block);
}

} // namespace
