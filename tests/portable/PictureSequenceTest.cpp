#include "screensaver/PictureSequence.h"
#include "tests/common/FakeFolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

struct ShowRun {
    ShowRun(FakeTree& tree, const std::vector<std::string>& entries, bool randomOrder, uint32_t seed = 1,
        const ResumePoint& resume = ResumePoint())
        : sequence(entries, randomOrder, seed, resume, FakeFolders(tree), cPictureExtensions())
    {
    }
    // The next picks' paths; the last pick's resume point is kept.
    std::vector<std::string> Picks(size_t count)
    {
        std::vector<std::string> paths;
        for (size_t i = 0; i < count; ++i) {
            SequencePick pick = sequence.Next();
            paths.push_back(pick.path);
            last = pick.resume;
        }
        return paths;
    }
    void Walk()
    {
        while (sequence.WalkStep()) {
        }
    }
    cPictureSequence sequence;
    ResumePoint last;
};

TEST(LogicalNames, DigitRunsCompareAsNumbersAndLettersInAnyCase)
{
    struct {
        const char* a;
        const char* b;
        bool before;
    } cases[] = {{"2.jpg", "10.jpg", true}, {"10.jpg", "2.jpg", false}, {"a2b", "a10a", true}, {"IMG9", "img10", true},
                 {"b", "A", false},         {"a", "ab", true},          {"007", "8", true},     {"x.jpg", "x.jpg", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(LogicalNameBefore(c.a, c.b), c.before) << c.a << " " << c.b;
    }
}

TEST(PictureSequence, ListOrderWalksFoldersAsTheShellOrdersThem)
{
    struct {
        const char* what;
        std::vector<std::string> tree;
        std::vector<std::string> entries;
        std::vector<std::string> shown;
    } cases[] = {
        {"names in logical order", {"P\\10.jpg", "P\\2.jpg", "P\\1.jpg"}, {"P"}, {"P\\1.jpg", "P\\2.jpg", "P\\10.jpg"}},
        {"subfolders after the files, depth first",
         {"P\\b.jpg", "P\\sub\\a.jpg", "P\\a.jpg", "P\\sub\\deeper\\z.jpg", "P\\sub2\\c.jpg", "P\\Sub10\\d.jpg"},
         {"P"},
         {"P\\a.jpg", "P\\b.jpg", "P\\sub\\a.jpg", "P\\sub\\deeper\\z.jpg", "P\\sub2\\c.jpg", "P\\Sub10\\d.jpg"}},
        {"hidden and system ones left out", {"P\\a.jpg", "h:P\\b.jpg", "h:P\\secret\\", "P\\secret\\c.jpg"}, {"P"},
         {"P\\a.jpg"}},
        {"links not entered, unreadable folders left out",
         {"P\\a.jpg", "l:P\\loop\\", "P\\loop\\b.jpg", "u:P\\locked\\", "P\\locked\\c.jpg"}, {"P"}, {"P\\a.jpg"}},
        {"pictures by extension in any case", {"P\\a.JPG", "P\\b.txt", "P\\c.Png", "P\\d.jpeg.bak"}, {"P"},
         {"P\\a.JPG", "P\\c.Png"}},
        {"entries keep their order; a missing file stays, an empty folder gives nothing",
         {"P\\x.gif", "Q\\y.bmp", "E\\"},
         {"Q", "one.bmp", "E", "P", "gone.jpg"},
         {"Q\\y.bmp", "one.bmp", "P\\x.gif", "gone.jpg"}},
    };
    for (const auto& c : cases) {
        FakeTree tree(c.tree);
        tree.Add("one.bmp");
        ShowRun run(tree, c.entries, false);
        std::vector<std::string> expected = c.shown;
        expected.insert(expected.end(), c.shown.begin(), c.shown.end());
        EXPECT_EQ(run.Picks(expected.size()), expected) << c.what << ", twice round";
    }
}

TEST(PictureSequence, ListOrderNeedsNoWalkAheadAndAnEmptyLibraryGivesNothing)
{
    FakeTree tree({"A\\1.jpg", "B\\2.jpg", "C\\3.jpg", "E\\"});
    ShowRun run(tree, {"A", "B", "C"}, false);
    EXPECT_FALSE(run.sequence.WalkStep());
    EXPECT_EQ(run.Picks(1), std::vector<std::string>{"A\\1.jpg"});
    EXPECT_EQ(tree.listings, 1) << "only the first folder is read for the first picture";

    ShowRun empty(tree, {"E"}, false);
    SequencePick pick = empty.sequence.Next();
    EXPECT_TRUE(pick.path.empty());
    EXPECT_EQ(pick.serial, 0u);
}

std::vector<std::string> NumberedPictures(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back("L\\f" + std::to_string(i % 4) + "\\" + std::to_string(i) + ".jpg");
    }
    return lines;
}

TEST(PictureSequence, MonitorsTakeTurnsInShowOrderWhateverOrderTheyAskIn)
{
    struct {
        uint32_t monitors;
        std::vector<uint32_t> asking;
        std::vector<std::string> shown; // in the order asked
    } cases[] = {
        {1, {0, 0, 0}, {"1", "2", "3"}},
        {2, {0, 1, 0, 1}, {"1", "2", "3", "4"}},
        {2, {1, 0, 1, 1, 0, 0}, {"2", "1", "4", "6", "3", "5"}},
        {3, {2, 0, 1, 0}, {"3", "1", "2", "4"}},
    };
    for (const auto& c : cases) {
        FakeTree tree({"P\\1.jpg", "P\\2.jpg", "P\\3.jpg", "P\\4.jpg", "P\\5.jpg", "P\\6.jpg"});
        ShowRun run(tree, {"P"}, false);
        std::vector<std::string> shown;
        for (uint32_t monitor : c.asking) {
            std::string path = run.sequence.NextFor(monitor, c.monitors).path;
            shown.push_back(path.substr(2, path.size() - 6));
        }
        EXPECT_EQ(shown, c.shown) << c.monitors << " monitors";
    }
}

TEST(PictureSequence, RandomRoundsShowEachPictureOnceAndNeverRepeatAcrossTheSeam)
{
    for (int count : {1, 2, 3, 7, 40}) {
        for (uint32_t seed : {1u, 2u, 12345u}) {
            SCOPED_TRACE("count " + std::to_string(count) + ", seed " + std::to_string(seed));
            FakeTree tree(NumberedPictures(count));
            ShowRun run(tree, {"L"}, true, seed);
            run.Walk();
            std::string lastOfRound;
            for (int round = 0; round < 4; ++round) {
                std::vector<std::string> picks = run.Picks(static_cast<size_t>(count));
                if (count >= 2 && round > 0) {
                    EXPECT_NE(picks.front(), lastOfRound);
                }
                lastOfRound = picks.back();
                std::sort(picks.begin(), picks.end());
                EXPECT_EQ(std::unique(picks.begin(), picks.end()), picks.end()) << "round " << round;
                EXPECT_EQ(picks.size(), static_cast<size_t>(count));
            }
        }
    }
}

TEST(PictureSequence, RoundOrdersArePermutationsAndTheirSwapMarkSwapsTheEnds)
{
    std::vector<uint32_t> plain = RoundOrder(77, 9), swapped = RoundOrder(77 | 0x80000000u, 9);
    std::vector<uint32_t> sorted = plain;
    std::sort(sorted.begin(), sorted.end());
    for (uint32_t i = 0; i < 9; ++i) {
        EXPECT_EQ(sorted[i], i);
    }
    std::swap(plain.front(), plain.back());
    EXPECT_EQ(plain, swapped);
    EXPECT_NE(RoundOrder(77, 9), RoundOrder(78, 9));
}

TEST(PictureSequence, RandomPicksBeforeTheWalkComeFromAllOverTheTree)
{
    std::vector<std::string> lines;
    for (int folder = 0; folder < 20; ++folder) {
        for (int picture = 0; picture < 20; ++picture) {
            lines.push_back("L\\" + std::to_string(folder) + "\\" + std::to_string(picture) + ".jpg");
        }
    }
    FakeTree tree(lines);
    ShowRun run(tree, {"L"}, true, 99);
    std::set<std::string> folders;
    for (const std::string& path : run.Picks(20)) {
        folders.insert(path.substr(0, path.rfind('\\')));
    }
    EXPECT_GE(folders.size(), 8u);
    EXPECT_LT(tree.listings, 60) << "no whole walk for the first picks";
}

TEST(PictureSequence, ARunGoesOnWhereTheLastStopped)
{
    FakeTree tree(NumberedPictures(12));
    for (bool randomOrder : {false, true}) {
        SCOPED_TRACE(randomOrder ? "random" : "list");
        ShowRun whole(tree, {"L", "one.bmp"}, randomOrder, 5);
        tree.Add("one.bmp");
        whole.Walk();
        std::vector<std::string> expected = whole.Picks(20);

        ShowRun first(tree, {"L", "one.bmp"}, randomOrder, 5);
        first.Walk();
        std::vector<std::string> shown = first.Picks(7);
        ShowRun second(tree, {"L", "one.bmp"}, randomOrder, 6, first.last);
        second.Walk();
        std::vector<std::string> rest = second.Picks(randomOrder ? 6 : 13);
        shown.insert(shown.end(), rest.begin(), rest.end());
        expected.resize(shown.size());
        EXPECT_EQ(shown, expected);
    }
}

TEST(PictureSequence, AChangedLibraryGoesOnAfterTheLastPictureOrItsPlace)
{
    struct {
        const char* what;
        std::vector<std::string> removed;
        std::vector<std::string> added;
        std::vector<std::string> entriesAfter;
        std::string next;
    } cases[] = {
        {"the picture shown last removed", {"P\\b\\2.jpg"}, {}, {"P", "Q"}, "P\\b\\3.jpg"},
        {"a picture added after it", {}, {"P\\b\\2a.jpg"}, {"P", "Q"}, "P\\b\\2a.jpg"},
        {"its folder removed", {"P\\b"}, {}, {"P", "Q"}, "P\\c\\1.jpg"},
        {"its whole entry removed", {}, {}, {"Q"}, "Q\\9.jpg"},
        {"entries moved: found by its path", {}, {}, {"Q", "P"}, "P\\b\\3.jpg"},
        {"the last picture of a folder", {"P\\b\\3.jpg"}, {}, {"P", "Q"}, "P\\c\\1.jpg"},
    };
    for (const auto& c : cases) {
        FakeTree tree({"P\\a.jpg", "P\\b\\1.jpg", "P\\b\\2.jpg", "P\\b\\3.jpg", "P\\c\\1.jpg", "Q\\9.jpg"});
        ShowRun before(tree, {"P", "Q"}, false);
        before.Picks(3);
        ASSERT_EQ(before.last.path, "P\\b\\2.jpg");
        for (const std::string& path : c.removed) {
            tree.Remove(path);
        }
        for (const std::string& path : c.added) {
            tree.Add(path);
        }
        ShowRun after(tree, c.entriesAfter, false, 1, before.last);
        EXPECT_EQ(after.Picks(1).front(), c.next) << c.what;
    }
}

TEST(PictureSequence, RandomOrderBeginsANewRoundWhenTheSetChanged)
{
    FakeTree tree(NumberedPictures(10));
    ShowRun first(tree, {"L"}, true, 3);
    first.Walk();
    first.Picks(4);
    tree.Add("L\\f0\\new.jpg");
    ShowRun second(tree, {"L"}, true, 3, first.last);
    second.Walk();
    std::vector<std::string> round = second.Picks(11);
    std::sort(round.begin(), round.end());
    EXPECT_EQ(std::unique(round.begin(), round.end()), round.end()) << "a whole new round of 11";
    EXPECT_EQ(second.last.libraryCount, 11u);
    EXPECT_EQ(second.last.roundShown, 11u);
}

} // namespace
